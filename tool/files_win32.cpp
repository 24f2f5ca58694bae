// jxl-import's files on Windows.
#include "tool/files.h"

#include <algorithm>
#include <utility>

#include "host/system_error.h"
#include "platform/utf.h"
#include "platform/win32.h"
#include "tool/console.h"

namespace Tool {
namespace {

using Host::LastSystemError;
using Host::SystemReason;

std::wstring Wide(const std::string& path) { return Platform::FromUtf8(path); }

BOOL WINAPI OnConsoleInterrupt(DWORD) {
    // The files are open with FILE_SHARE_DELETE: they go when the process closes them.
    CTemporaryFile::RemoveAllNow();
    return FALSE;  // and on to the default handler, which ends the process
}

bool WriteAll(HANDLE handle, const char* data, std::size_t size, unsigned long* code) {
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(handle, data, chunk, &written, nullptr)) {
            *code = LastSystemError();
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// A new file whose name no other file in that folder has (CREATE_NEW refuses one that
// exists), open for writing; INVALID_HANDLE_VALUE when none can be made.
HANDLE CreateNewFile(const std::wstring& stem, const std::wstring& extension, std::wstring* path) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Digits widened by hand: std::to_wstring would bring the C runtime's wide printf in.
        const std::string digits = std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount()) + "-" +
                                   std::to_string(++counter);
        *path = stem + std::wstring(digits.begin(), digits.end()) + extension;
        const HANDLE handle = ::CreateFileW(path->c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) return handle;
    }
    return INVALID_HANDLE_VALUE;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// ---- Handles and temporary files ------------------------------------------------------------

void CFileHandle::Reset(void* handle) {
    Close();
    m_handle = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

bool CFileHandle::IsOpen() const { return m_handle != nullptr; }

unsigned long CFileHandle::Close() {
    if (!m_handle) return 0;
    return ::CloseHandle(std::exchange(m_handle, nullptr)) ? 0 : LastSystemError();
}

void CTemporaryFile::InstallInterruptHandler() {
    static const bool installed = ::SetConsoleCtrlHandler(OnConsoleInterrupt, TRUE) != 0;
    (void)installed;
}

void CTemporaryFile::RemoveNow(const wchar_t* path) { ::DeleteFileW(path); }

// ---- Standard streams and reading ---------------------------------------------------------

// A process started without a standard stream has no handle for it, which no file opened
// later can take: nothing to guard.
void GuardStandardStreams() {}

bool PathExists(const std::string& path) { return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* reason) {
    bytes->clear();
    const std::wstring wide = Wide(path);
    if (IsFolder(wide)) {
        *reason = path + ": is a folder";
        return false;
    }
    const CFileHandle file(::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) {
        *reason = WithPath(path, LastSystemError());
        return false;
    }
    char chunk[65536];
    for (DWORD count = 0;;) {
        if (!::ReadFile(file.Get(), chunk, sizeof chunk, &count, nullptr)) {
            *reason = WithPath(path, LastSystemError());
            return false;
        }
        if (count == 0) return true;
        bytes->append(chunk, count);
    }
}

// ---- Output ---------------------------------------------------------------------------------

void COutputFile::OpenStandardOutput() {
    m_path.clear();
    m_open = true;
    m_console = m_terminal = Tool::IsTerminal(Stream::Out);
}

bool COutputFile::OpenReplacing(const std::string& path, std::string* reason) {
    m_path = path;
    const std::wstring wide = Wide(path);
    // A device (NUL, CON, a pipe) is written in place; there is nothing to replace.
    m_file.Reset(::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (m_file.IsOpen() && ::GetFileType(m_file.Get()) != FILE_TYPE_DISK) {
        m_open = true;
        return true;
    }
    m_file.Close();
    if (IsFolder(wide)) {
        *reason = path + ": is a folder";
        return false;
    }
    const std::size_t slash = wide.find_last_of(L"\\/:");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : wide.substr(0, slash + 1);
    const std::wstring name = slash == std::wstring::npos ? wide : wide.substr(slash + 1);
    std::wstring temporary;
    m_file.Reset(CreateNewFile(folder + L"." + name + L".", L".tmp", &temporary));
    if (!m_file.IsOpen()) {
        *reason = Described(LastSystemError());
        return false;
    }
    m_temporary.Own(temporary);
    m_target = wide;
    m_open = true;
    return true;
}

bool COutputFile::Write(const char* data, std::size_t size, std::string* reason) {
    const HANDLE handle = m_path.empty() ? ::GetStdHandle(STD_OUTPUT_HANDLE) : m_file.Get();
    if (!m_open || !handle || handle == INVALID_HANDLE_VALUE) {
        *reason = Described(ERROR_INVALID_HANDLE);
        return false;
    }
    unsigned long code = 0;
    const bool written = m_console ? WriteToConsole(handle, m_pending, std::string_view(data, size), &code)
                                   : WriteAll(handle, data, size, &code);
    if (!written) {
        *reason = Described(code);
        return false;
    }
    return true;
}

bool COutputFile::Commit(std::string* reason) {
    if (!m_open) return true;
    m_open = false;
    if (m_path.empty()) return true;  // standard output stays the process's
    if (const unsigned long code = m_file.Close()) {
        *reason = Described(code);
        Discard();
        return false;
    }
    if (!m_temporary.Owns()) return true;
    if (!::MoveFileExW(m_temporary.Path().c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *reason = Described(LastSystemError());
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
        *reason = "cannot read standard input: " + SystemReason(code);
        *readFailed = true;
        return false;
    };
    const auto cannotWrite = [&](const std::string& path, unsigned long code) {
        *reason = "cannot write the copy of standard input: " + WithPath(path, code);
        return false;
    };
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (!input || input == INVALID_HANDLE_VALUE) return cannotRead(ERROR_INVALID_HANDLE);
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return cannotWrite(m_path, LastSystemError());
    std::wstring path;
    CFileHandle copy(CreateNewFile(std::wstring(folder, length) + L"jxl-import-stdin-", L".jxl", &path));
    if (!copy.IsOpen()) return cannotWrite(Platform::ToUtf8(path), LastSystemError());
    m_copy.Own(path);
    m_path = Platform::ToUtf8(path);
    char chunk[65536];
    for (;;) {
        DWORD count = 0;
        if (!::ReadFile(input, chunk, sizeof chunk, &count, nullptr)) {
            const unsigned long code = LastSystemError();
            if (code == ERROR_BROKEN_PIPE) break;  // the writer has gone: the end
            return cannotRead(code);
        }
        if (count == 0) break;
        unsigned long code = 0;
        if (!WriteAll(copy.Get(), chunk, count, &code)) return cannotWrite(m_path, code);
    }
    if (const unsigned long code = copy.Close()) return cannotWrite(m_path, code);
    return true;
}

}  // namespace Tool
