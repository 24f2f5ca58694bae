// Text written straight onto the end of a string: room for the most a line can take made
// once, the pieces copied by pointer, and what is left over given back at the end. One
// resize instead of a call per piece, for the lines the formats write by the hundred
// thousand.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

namespace Tool {

class CInPlace {
public:
    CInPlace(std::string& out, std::size_t most) : m_out(out), m_start(out.size()) {
        out.resize(m_start + most);
        m_begin = m_here = &out[m_start];
    }
    ~CInPlace() { m_out.resize(m_start + static_cast<std::size_t>(m_here - m_begin)); }
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
    void PutJsonString(std::string_view utf8);
    // A CSV field (RFC 4180): at most 2 bytes per byte, and the quotes.
    void PutCsvField(std::string_view text);

    static std::size_t JsonRoom(std::string_view text) { return 6 * text.size() + 2; }
    static std::size_t CsvRoom(std::string_view text) { return 2 * text.size() + 2; }

private:
    std::string& m_out;
    std::size_t m_start;
    char* m_begin;
    char* m_here;
};

}  // namespace Tool
