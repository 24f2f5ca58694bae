#include "tool/files.h"

#include <atomic>
#include <utility>

#include "host/system_error.h"

namespace Tool {
namespace {

// The files CTemporaryFile objects own, for the interrupt handler, which only reads them.
std::atomic<const NativePath::value_type*> g_temporaryFiles[4];

}  // namespace

std::string WithPath(const std::string& path, unsigned long code) { return path + ": " + Host::SystemReason(code); }

std::string COutputFile::Described(unsigned long code) const {
    return m_path.empty() ? Host::SystemReason(code) : WithPath(m_path, code);
}

void CTemporaryFile::Own(NativePath path) {
    Remove();
    m_path = std::move(path);
    InstallInterruptHandler();
    for (auto& slot : g_temporaryFiles) {
        const NativePath::value_type* empty = nullptr;
        if (slot.compare_exchange_strong(empty, m_path.c_str())) return;
    }
}

void CTemporaryFile::Keep() {
    if (m_path.empty()) return;
    for (auto& slot : g_temporaryFiles) {
        const NativePath::value_type* mine = m_path.c_str();
        slot.compare_exchange_strong(mine, nullptr);
    }
    m_path.clear();
}

void CTemporaryFile::Remove() {
    if (m_path.empty()) return;
    RemoveNow(m_path.c_str());
    Keep();
}

void CTemporaryFile::RemoveAllNow() {
    for (auto& slot : g_temporaryFiles)
        if (const NativePath::value_type* path = slot.load()) RemoveNow(path);
}

}  // namespace Tool
