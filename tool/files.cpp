#include "tool/files.h"

#include <atomic>
#include <utility>

#include "host/system_error.h"
#include "tool/files_system.h"

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

// ---- Output ---------------------------------------------------------------------------------

bool COutputFile::Commit(std::string* reason) {
    if (!m_open) return true;
    m_open = false;
    unsigned long code = m_path.empty() ? System::CloseStandardOutput() : m_file.Close();
    if (code == 0 && m_temporary.Owns()) code = System::MoveOver(m_temporary.Path(), m_target);
    if (code != 0) {
        *reason = Described(code);
        Discard();
        return false;
    }
    m_temporary.Keep();
    return true;
}

void COutputFile::Discard() {
    m_file.Close();
    m_temporary.Remove();
    m_open = false;
}

// ---- Standard input ------------------------------------------------------------------------

bool CStandardInputCopy::Make(std::string* reason, bool* readFailed) {
    *readFailed = false;
    const auto cannotRead = [&](unsigned long code) {
        *reason = "cannot read standard input: " + Host::SystemReason(code);
        *readFailed = true;
        return false;
    };
    const auto cannotWrite = [&](const std::string& path, unsigned long code) {
        *reason = "cannot write the copy of standard input: " + WithPath(path, code);
        return false;
    };
    if (const unsigned long code = System::StandardInputMissing()) return cannotRead(code);
    NativePath path;
    CFileHandle copy;
    if (const unsigned long code = System::CreateStandardInputCopy(&path, &copy)) return cannotWrite(System::Utf8(path), code);
    m_path = System::Utf8(path);
    m_copy.Own(std::move(path));
    char chunk[65536];
    for (;;) {
        std::size_t count = 0;
        if (const unsigned long code = System::ReadStandardInput(chunk, sizeof chunk, &count)) return cannotRead(code);
        if (count == 0) break;
        if (const unsigned long code = System::WriteAll(copy.Get(), chunk, count)) return cannotWrite(m_path, code);
    }
    if (const unsigned long code = copy.Close()) return cannotWrite(m_path, code);
    return true;
}

}  // namespace Tool
