// What jxl-import writes to standard output or to the --output file: text gathered in one
// buffer and written out in large pieces (at every line on a terminal, so that a person
// sees each line as it comes). The first failure is kept with its reason, and nothing
// more is written after it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "tool/files.h"

namespace Tool {

class COutput {
public:
    explicit COutput(COutputFile& file);

    // The text gathered so far: a format appends a line or an item to it, then ends it.
    std::string& Text() { return m_text; }
    // After each line or item: out when enough is gathered, or at once on a terminal.
    void EndLine() {
        if (m_text.size() >= kFlushAt || (!m_text.empty() && m_file.IsTerminal())) Flush();
    }
    void Write(std::string_view text) {
        m_text += text;
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

    COutputFile& m_file;
    std::string m_text;
    std::function<void()> m_before, m_after;
    bool m_failed = false;
    std::string m_reason;
};

}  // namespace Tool
