#include "tool/output.h"

namespace Tool {

void COutput::Flush() {
    if (!m_failed && !m_buffer.empty()) {
        const bool guarded = m_file.IsTerminal() && m_before;
        if (guarded) m_before();
        m_failed = !m_file.Write(m_buffer.data(), m_buffer.size(), &m_reason);
        if (guarded) m_after();
    }
    m_buffer.clear();
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
