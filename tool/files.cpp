#include "tool/files.h"

#include <atomic>
#include <cstdlib>

#include "host/system_error.h"

#ifdef _WIN32
#include <algorithm>

#include "platform/utf.h"
#include "platform/win32.h"
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Tool {
namespace {

using Host::LastSystemError;
using Host::SystemReason;

// ---- Temporary files removed when the process is interrupted -----------------------------
//
// A temporary copy of standard input, or an output file not yet in place, must not stay
// behind after Ctrl-C or a closed pipe. The handler only reads these slots.

#ifdef _WIN32
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif

constexpr int kInterruptSlots = 4;
std::atomic<const NativeChar*> g_removeOnInterrupt[kInterruptSlots];

void RemoveNow(const NativeChar* path) {
#ifdef _WIN32
    ::DeleteFileW(path);
#else
    ::unlink(path);
#endif
}

#ifdef _WIN32

BOOL WINAPI OnConsoleInterrupt(DWORD) {
    // The files are open with FILE_SHARE_DELETE: they go when the process closes them.
    for (auto& slot : g_removeOnInterrupt)
        if (const wchar_t* path = slot.load()) RemoveNow(path);
    return FALSE;  // and on to the default handler, which ends the process
}

void InstallInterruptHandler() {
    static const bool installed = ::SetConsoleCtrlHandler(OnConsoleInterrupt, TRUE) != 0;
    (void)installed;
}

#else

extern "C" void OnInterruptSignal(int signal) {
    for (auto& slot : g_removeOnInterrupt)
        if (const char* path = slot.load()) RemoveNow(path);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void InstallInterruptHandler() {
    static const bool installed = [] {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ}) {
            struct sigaction current {};
            // A signal the caller chose to ignore stays ignored: a closed pipe then shows as
            // a failed write, with its reason.
            if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
            struct sigaction action {};
            action.sa_handler = OnInterruptSignal;
            sigemptyset(&action.sa_mask);
            ::sigaction(signal, &action, nullptr);
        }
        return true;
    }();
    (void)installed;
}

#endif

void RemoveOnInterrupt(const NativeChar* path) {
    InstallInterruptHandler();
    for (auto& slot : g_removeOnInterrupt) {
        const NativeChar* empty = nullptr;
        if (slot.compare_exchange_strong(empty, path)) return;
    }
}

void KeepOnInterrupt(const NativeChar* path) {
    for (auto& slot : g_removeOnInterrupt) {
        const NativeChar* expected = path;
        slot.compare_exchange_strong(expected, nullptr);
    }
}

std::string WithPath(const std::string& path, unsigned long code) { return path + ": " + SystemReason(code); }

#ifndef _WIN32

bool g_closedAtStart[3] = {false, false, false};

bool WriteAll(int fd, const char* data, std::size_t size, unsigned long* code) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            *code = LastSystemError();
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string TemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    std::string path = folder && *folder ? folder : "/tmp";
    if (path.back() != '/') path += '/';
    return path;
}

#else

std::wstring Wide(const std::string& path) { return Platform::FromUtf8(path); }

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

// A name no other file has in that folder: CREATE_NEW refuses one that exists.
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

#endif

}  // namespace

// ---- Standard streams ---------------------------------------------------------------------

void GuardStandardStreams() {
#ifndef _WIN32
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        g_closedAtStart[fd] = true;
        // The lowest free number: this one.
        const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
#endif
}

// ---- Reading -------------------------------------------------------------------------------

bool PathExists(const std::string& path) {
#ifdef _WIN32
    return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
#endif
}

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* reason) {
    bytes->clear();
#ifdef _WIN32
    const std::wstring wide = Wide(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *reason = path + ": is a folder";
        return false;
    }
    const HANDLE handle = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *reason = WithPath(path, LastSystemError());
        return false;
    }
    char chunk[65536];
    bool ok = true;
    for (DWORD count = 0;;) {
        if (!::ReadFile(handle, chunk, sizeof chunk, &count, nullptr)) {
            *reason = WithPath(path, LastSystemError());
            ok = false;
            break;
        }
        if (count == 0) break;
        bytes->append(chunk, count);
    }
    ::CloseHandle(handle);
    return ok;
#else
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *reason = WithPath(path, LastSystemError());
        return false;
    }
    char chunk[65536];
    bool ok = true;
    for (;;) {
        const ssize_t count = ::read(fd, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            *reason = WithPath(path, LastSystemError());  // a folder: "Is a directory"
            ok = false;
            break;
        }
        if (count == 0) break;
        bytes->append(chunk, static_cast<std::size_t>(count));
    }
    ::close(fd);
    return ok;
#endif
}

// ---- Output ---------------------------------------------------------------------------------

COutputFile::~COutputFile() { Discard(); }

std::string COutputFile::Described(unsigned long code) const {
    return m_path.empty() ? SystemReason(code) : WithPath(m_path, code);
}

void COutputFile::OpenStandardOutput() {
    m_path.clear();
    m_open = true;
#ifdef _WIN32
    m_handle = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    m_console = m_handle && m_handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(m_handle, &mode) != 0;
    m_terminal = m_console;
#else
    m_fd = 1;
    m_terminal = !g_closedAtStart[1] && ::isatty(1) == 1;
#endif
}

bool COutputFile::OpenReplacing(const std::string& path, std::string* reason) {
    m_path = path;
#ifdef _WIN32
    const std::wstring wide = Wide(path);
    // A device (NUL, CON, a pipe) is written in place; there is nothing to replace.
    const HANDLE existing = ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (existing != INVALID_HANDLE_VALUE) {
        if (::GetFileType(existing) != FILE_TYPE_DISK) {
            m_handle = existing;
            m_open = true;
            return true;
        }
        ::CloseHandle(existing);
    }
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *reason = path + ": is a folder";
        return false;
    }
    const std::size_t slash = wide.find_last_of(L"\\/:");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : wide.substr(0, slash + 1);
    const std::wstring name = slash == std::wstring::npos ? wide : wide.substr(slash + 1);
    std::wstring temporary;
    m_handle = CreateNewFile(folder + L"." + name + L".", L".tmp", &temporary);
    if (m_handle == INVALID_HANDLE_VALUE) {
        m_handle = nullptr;
        *reason = Described(LastSystemError());
        return false;
    }
    m_wideTemporary = temporary;
    m_temporary = Platform::ToUtf8(temporary);
    RemoveOnInterrupt(m_wideTemporary.c_str());
    m_open = true;
    return true;
#else
    std::string target = path;
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        // The file the link names is the one replaced; the link stays a link.
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        *reason = Described(EISDIR);
        return false;
    }
    if (exists && !S_ISREG(info.st_mode)) {
        // A device or a pipe: /dev/null, /dev/stdout, a terminal.
        m_fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (m_fd < 0) {
            *reason = Described(LastSystemError());
            return false;
        }
        m_terminal = ::isatty(m_fd) == 1;
        m_open = true;
        return true;
    }
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temporary = folder + "." + name + ".XXXXXX";
    m_fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (m_fd < 0) {
        *reason = Described(LastSystemError());
        return false;
    }
    m_temporary = temporary;
    m_target = target;
    RemoveOnInterrupt(m_temporary.c_str());
    // As the file it replaces was, or as a new file would be.
    ::fchmod(m_fd, exists ? (info.st_mode & 07777) : NewFileMode());
    m_open = true;
    return true;
#endif
}

bool COutputFile::Write(const char* data, std::size_t size, std::string* reason) {
    unsigned long code = 0;
#ifdef _WIN32
    if (!m_open || !m_handle || m_handle == INVALID_HANDLE_VALUE) {
        *reason = Described(ERROR_INVALID_HANDLE);
        return false;
    }
    if (m_console) {
        // UTF-16 for the console, which would show UTF-8 bytes as the wrong characters;
        // the bytes of a character cut at the end wait for the rest of it.
        m_pending.append(data, size);
        std::size_t whole = m_pending.size();
        for (std::size_t back = 1; back <= 3 && back <= m_pending.size(); ++back) {
            const auto byte = static_cast<unsigned char>(m_pending[m_pending.size() - back]);
            if ((byte & 0xC0) == 0x80) continue;
            const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            if (length > back) whole = m_pending.size() - back;
            break;
        }
        const std::wstring wide = Platform::FromUtf8(std::string_view(m_pending.data(), whole));
        m_pending.erase(0, whole);
        // Consoles refuse very long writes: pieces, never splitting a surrogate pair.
        for (std::size_t start = 0; start < wide.size();) {
            std::size_t count = std::min<std::size_t>(8192, wide.size() - start);
            if (start + count < wide.size() && wide[start + count - 1] >= 0xD800 && wide[start + count - 1] <= 0xDBFF) --count;
            DWORD written = 0;
            if (!::WriteConsoleW(m_handle, wide.data() + start, static_cast<DWORD>(count), &written, nullptr)) {
                *reason = Described(LastSystemError());
                return false;
            }
            start += count;
        }
        return true;
    }
    if (!WriteAll(m_handle, data, size, &code)) {
        *reason = Described(code);
        return false;
    }
    return true;
#else
    if (!m_open || (m_path.empty() && g_closedAtStart[1])) {
        *reason = Described(EBADF);
        return false;
    }
    if (!WriteAll(m_fd, data, size, &code)) {
        *reason = Described(code);
        return false;
    }
    return true;
#endif
}

bool COutputFile::Commit(std::string* reason) {
    if (!m_open) return true;
    m_open = false;
#ifdef _WIN32
    if (m_path.empty()) return true;
    const bool closed = ::CloseHandle(m_handle) != 0;
    const unsigned long closeCode = closed ? 0 : LastSystemError();
    m_handle = nullptr;
    if (!closed) {
        *reason = Described(closeCode);
        Discard();
        return false;
    }
    if (m_temporary.empty()) return true;
    if (!::MoveFileExW(m_wideTemporary.c_str(), Wide(m_path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *reason = Described(LastSystemError());
        Discard();
        return false;
    }
    KeepOnInterrupt(m_wideTemporary.c_str());
    m_temporary.clear();
    m_wideTemporary.clear();
    return true;
#else
    // Some file systems (NFS, a full quota) report a failed write only when the file is
    // closed: standard output is closed too, and its number kept taken.
    const int fd = m_fd;
    m_fd = -1;
    if (m_path.empty() && g_closedAtStart[1]) return true;
    const bool closed = ::close(fd) == 0 || errno == EINTR;
    const unsigned long closeCode = closed ? 0 : LastSystemError();
    if (m_path.empty()) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0 && null != 1) {
            ::dup2(null, 1);
            ::close(null);
        }
    }
    if (!closed) {
        *reason = Described(closeCode);
        Discard();
        return false;
    }
    if (m_temporary.empty()) return true;
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        *reason = Described(LastSystemError());
        Discard();
        return false;
    }
    KeepOnInterrupt(m_temporary.c_str());
    m_temporary.clear();
    return true;
#endif
}

void COutputFile::Discard() {
#ifdef _WIN32
    if (m_open && !m_path.empty() && m_handle) ::CloseHandle(m_handle);
    m_handle = nullptr;
    if (!m_temporary.empty()) {
        ::DeleteFileW(m_wideTemporary.c_str());
        KeepOnInterrupt(m_wideTemporary.c_str());
        m_wideTemporary.clear();
    }
#else
    if (m_open && !m_path.empty() && m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        KeepOnInterrupt(m_temporary.c_str());
    }
#endif
    m_temporary.clear();
    m_open = false;
}

// ---- Standard input ------------------------------------------------------------------------

CStandardInputCopy::~CStandardInputCopy() {
    if (m_path.empty()) return;
#ifdef _WIN32
    ::DeleteFileW(m_widePath.c_str());
    KeepOnInterrupt(m_widePath.c_str());
#else
    ::unlink(m_path.c_str());
    KeepOnInterrupt(m_path.c_str());
#endif
}

bool CStandardInputCopy::Make(std::string* reason, bool* readFailed) {
    *readFailed = false;
    const auto cannotRead = [&](unsigned long code) {
        *reason = "cannot read standard input: " + SystemReason(code);
        *readFailed = true;
        return false;
    };
    const auto cannotWrite = [&](unsigned long code) {
        *reason = "cannot write the copy of standard input: " + WithPath(m_path, code);
        return false;
    };
    char chunk[65536];
#ifdef _WIN32
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (!input || input == INVALID_HANDLE_VALUE) return cannotRead(ERROR_INVALID_HANDLE);
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return cannotWrite(LastSystemError());
    std::wstring path;
    const HANDLE copy = CreateNewFile(std::wstring(folder, length) + L"jxl-import-stdin-", L".jxl", &path);
    if (copy == INVALID_HANDLE_VALUE) {
        *reason = "cannot write the copy of standard input: " + WithPath(Platform::ToUtf8(path), LastSystemError());
        return false;
    }
    m_widePath = path;
    m_path = Platform::ToUtf8(path);
    RemoveOnInterrupt(m_widePath.c_str());
    bool ok = true;
    for (;;) {
        DWORD count = 0;
        if (!::ReadFile(input, chunk, sizeof chunk, &count, nullptr)) {
            const unsigned long code = LastSystemError();
            if (code == ERROR_BROKEN_PIPE) break;  // the writer has gone: the end
            ok = cannotRead(code);
            break;
        }
        if (count == 0) break;
        unsigned long code = 0;
        if (!WriteAll(copy, chunk, count, &code)) {
            ok = cannotWrite(code);
            break;
        }
    }
    if (!::CloseHandle(copy) && ok) ok = cannotWrite(LastSystemError());
    return ok;
#else
    if (g_closedAtStart[0]) return cannotRead(EBADF);
    std::string path = TemporaryFolder() + "jxl-import-stdin-XXXXXX.jxl";
    const int copy = ::mkostemps(path.data(), 4, O_CLOEXEC);
    if (copy < 0) {
        *reason = "cannot write the copy of standard input: " + WithPath(path, LastSystemError());
        return false;
    }
    m_path = path;
    RemoveOnInterrupt(m_path.c_str());
    bool ok = true;
    for (;;) {
        const ssize_t count = ::read(0, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            ok = cannotRead(LastSystemError());
            break;
        }
        if (count == 0) break;
        unsigned long code = 0;
        if (!WriteAll(copy, chunk, static_cast<std::size_t>(count), &code)) {
            ok = cannotWrite(code);
            break;
        }
    }
    if (::close(copy) != 0 && errno != EINTR && ok) ok = cannotWrite(LastSystemError());
    return ok;
#endif
}

}  // namespace Tool
