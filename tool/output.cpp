#include "tool/output.h"

#include <algorithm>

namespace Tool {

COutput::COutput(COutputFile& file)
    : m_file(file), m_buffer(new char[kFlushAt + 4096]), m_capacity(kFlushAt + 4096) {}

void COutput::MakeRoom(std::size_t most) {
    Flush();
    if (m_capacity < most) {
        m_capacity = std::max(most, 2 * m_capacity);
        m_buffer.reset(new char[m_capacity]);
    }
}

void COutput::Append(std::string_view text) {
    char* const end = Room(text.size());
    std::memcpy(end, text.data(), text.size());
    Commit(end + text.size());
}

void COutput::Flush() {
    if (!m_failed && m_used != 0) {
        const bool guarded = m_file.IsTerminal() && m_before;
        if (guarded) m_before();
        m_failed = !m_file.Write(m_buffer.get(), m_used, &m_reason);
        if (guarded) m_after();
    }
    m_used = 0;
}

bool COutput::Finish(bool keep) {
    Flush();
    if (m_failed || !keep) {
        m_file.Discard();
        return !m_failed;
    }
    m_failed = !m_file.Commit(&m_reason);
    return !m_failed;
}

// Quoted when it holds a comma, quote or line break, or a blank at either end (which
// spreadsheets would drop); quotes doubled.
void CInPlace::PutCsvField(std::string_view text) {
    bool plain = text.empty() || (text.front() != ' ' && text.back() != ' ');
    for (std::size_t i = 0; plain && i < text.size(); ++i)
        plain = text[i] != ',' && text[i] != '"' && text[i] != '\r' && text[i] != '\n';
    if (plain) {
        Put(text);
        return;
    }
    *m_here++ = '"';
    for (const char c : text) {
        if (c == '"') *m_here++ = '"';
        *m_here++ = c;
    }
    *m_here++ = '"';
}

}  // namespace Tool
