// What jxl-import writes to standard output or to the --output file: text gathered in one
// buffer and written out in large pieces (at every line on a terminal, so that a person
// sees each line as it comes). The first failure is kept with its reason, and nothing
// more is written after it.
#pragma once

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "host/calls.h"
#include "tool/files.h"

namespace Tool {

class COutput {
public:
    explicit COutput(COutputFile& file);

    // Room for at most `most` bytes after what is gathered, written straight into it; the
    // writer then says where it stopped. For the lines written by the hundred thousand.
    char* Room(std::size_t most) {
        if (m_capacity - m_used < most) MakeRoom(most);
        return m_buffer.get() + m_used;
    }
    void Commit(const char* end) { m_used = static_cast<std::size_t>(end - m_buffer.get()); }

    void Append(std::string_view text);
    // After each line or item: out when enough is gathered, or at once on a terminal.
    void EndLine() {
        if (m_used >= kFlushAt || (m_used != 0 && m_file.IsTerminal())) Flush();
    }
    void Write(std::string_view text) {
        Append(text);
        EndLine();
    }

    // Everything gathered so far, to the system.
    void Flush();

    // Called around every write to a terminal (the progress bar wipes itself there).
    void AroundTerminalWrites(std::function<void()> before, std::function<void()> after) {
        m_before = std::move(before);
        m_after = std::move(after);
    }

    bool Failed() const { return m_failed; }
    const std::string& Reason() const { return m_reason; }

    // Flushes and closes; a replacing file goes into place only when `keep` and nothing
    // failed, and is removed otherwise. False when a write failed, now or before.
    bool Finish(bool keep);

private:
    static constexpr std::size_t kFlushAt = 1 << 16;

    void MakeRoom(std::size_t most);

    COutputFile& m_file;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity = 0;
    std::size_t m_used = 0;
    std::function<void()> m_before, m_after;
    bool m_failed = false;
    std::string m_reason;
};

// A line written straight into the output's room: room for the most it can take made
// once, the pieces copied by pointer, and what is left over given back at the end.
class CInPlace {
public:
    CInPlace(COutput& out, std::size_t most) : m_out(out), m_here(out.Room(most)) {}
    ~CInPlace() { m_out.Commit(m_here); }
    CInPlace(const CInPlace&) = delete;
    CInPlace& operator=(const CInPlace&) = delete;

    void Put(std::string_view text) {
        std::memcpy(m_here, text.data(), text.size());
        m_here += text.size();
    }
    void Put(char c) { *m_here++ = c; }
    void Repeat(char c, std::size_t count) {
        std::memset(m_here, c, count);
        m_here += count;
    }

    // For a writer of its own: where to write, and how far it wrote.
    char* Here() { return m_here; }
    void Advance(std::size_t count) { m_here += count; }

    // A JSON string of UTF-8 text: at most 6 bytes per byte, and the quotes.
    void PutJsonString(std::string_view utf8) { m_here = Host::PutJsonString(m_here, utf8); }
    // A CSV field (RFC 4180): at most 2 bytes per byte, and the quotes.
    void PutCsvField(std::string_view text);

    static std::size_t JsonRoom(std::string_view text) { return 6 * text.size() + 2; }

private:
    COutput& m_out;
    char* m_here;
};

}  // namespace Tool
