#include "tool/output.h"

namespace Tool {

COutput::COutput(COutputFile& file) : m_file(file) { m_text.reserve(kFlushAt + 4096); }

void COutput::Flush() {
    if (!m_failed && !m_text.empty()) {
        const bool guarded = m_file.IsTerminal() && m_before;
        if (guarded) m_before();
        m_failed = !m_file.Write(m_text.data(), m_text.size(), &m_reason);
        if (guarded) m_after();
    }
    m_text.clear();
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

}  // namespace Tool
