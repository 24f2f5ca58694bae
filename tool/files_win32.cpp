// jxl-import's files on Windows.
#include "tool/files.h"

#include <algorithm>
#include <utility>

#include "host/system_error.h"
#include "platform/utf.h"
#include "platform/win32.h"
#include "tool/console.h"
#include "tool/files_system.h"

namespace Tool {
namespace {

using Host::LastSystemError;

std::wstring Wide(const std::string& path) { return Platform::FromUtf8(path); }

BOOL WINAPI OnConsoleInterrupt(DWORD) {
    // The files are open with FILE_SHARE_DELETE: they go when the process closes them.
    CTemporaryFile::RemoveAllNow();
    return FALSE;  // and on to the default handler, which ends the process
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

// ---- What the shared code asks of the system ----------------------------------------------

namespace System {

unsigned long WriteAll(void* file, const char* data, std::size_t size) {
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, data, chunk, &written, nullptr)) return LastSystemError();
        data += written;
        size -= written;
    }
    return 0;
}

unsigned long CloseStandardOutput() { return 0; }  // it stays the process's

unsigned long MoveOver(const std::wstring& from, const std::wstring& to) {
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0
                                                                                                      : LastSystemError();
}

unsigned long StandardInputMissing() {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    return !input || input == INVALID_HANDLE_VALUE ? ERROR_INVALID_HANDLE : 0;
}

unsigned long ReadStandardInput(char* buffer, std::size_t size, std::size_t* count) {
    DWORD got = 0;
    *count = 0;
    if (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, static_cast<DWORD>(size), &got, nullptr)) {
        *count = got;
        return 0;
    }
    const unsigned long code = LastSystemError();
    return code == ERROR_BROKEN_PIPE ? 0 : code;  // the writer has gone: the end
}

unsigned long CreateStandardInputCopy(std::wstring* path, CFileHandle* file) {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return LastSystemError();
    file->Reset(CreateNewFile(std::wstring(folder, length) + L"jxl-import-stdin-", L".jxl", path));
    return file->IsOpen() ? 0 : LastSystemError();
}

std::string Utf8(const std::wstring& path) { return Platform::ToUtf8(path); }

}  // namespace System

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

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    // No access asked, and every sharing allowed, so that any file answers, also one that
    // another program holds open; backup semantics so that a folder answers too.
    const CFileHandle file(::CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file.IsOpen() || !::GetFileInformationByHandle(file.Get(), &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

std::string OpenFailure(const std::string& path) {
    const std::wstring wide = Wide(path);
    if (IsFolder(wide)) return "is a folder";
    const CFileHandle file(::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsOpen() ? std::string() : Host::SystemReason(LastSystemError());
}

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
    const unsigned long code = m_console ? WriteToConsole(handle, m_pending, std::string_view(data, size))
                                         : System::WriteAll(handle, data, size);
    if (code != 0) {
        *reason = Described(code);
        return false;
    }
    return true;
}

}  // namespace Tool
