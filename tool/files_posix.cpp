// jxl-import's files on Linux and the other POSIX systems.
#include "tool/files.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/system_error.h"
#include "tool/console.h"
#include "tool/files_system.h"

namespace Tool {
namespace {

using Host::LastSystemError;

// The standard streams the process was started without (GuardStandardStreams).
bool g_closedAtStart[3] = {false, false, false};

extern "C" void OnInterruptSignal(int signal) {
    CTemporaryFile::RemoveAllNow();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// The null device at the free number `fd`, so that no file opened later takes it.
void NullDeviceAt(int fd, int flags) {
    const int null = ::open("/dev/null", flags);  // the lowest free number: that one, nearly always
    if (null >= 0 && null != fd) {
        ::dup2(null, fd);
        ::close(null);
    }
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

}  // namespace

// ---- What the shared code asks of the system ----------------------------------------------

namespace System {

unsigned long WriteAll(int file, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(file, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return LastSystemError();
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

unsigned long CloseStandardOutput() {
    if (g_closedAtStart[1]) return 0;
    const unsigned long code = ::close(1) == 0 || errno == EINTR ? 0 : LastSystemError();
    NullDeviceAt(1, O_WRONLY);
    return code;
}

unsigned long MoveOver(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : LastSystemError();
}

unsigned long StandardInputMissing() { return g_closedAtStart[0] ? EBADF : 0; }

unsigned long ReadStandardInput(char* buffer, std::size_t size, std::size_t* count) {
    for (;;) {
        const ssize_t got = ::read(0, buffer, size);
        if (got >= 0) {
            *count = static_cast<std::size_t>(got);
            return 0;
        }
        if (errno != EINTR) return LastSystemError();
    }
}

unsigned long CreateStandardInputCopy(std::string* path, CFileHandle* file) {
    *path = TemporaryFolder() + "jxl-import-stdin-XXXXXX.jxl";
    file->Reset(::mkostemps(path->data(), 4, O_CLOEXEC));
    return file->IsOpen() ? 0 : LastSystemError();
}

std::string Utf8(const std::string& path) { return path; }

}  // namespace System

// ---- Handles and temporary files ------------------------------------------------------------

void CFileHandle::Reset(int handle) {
    Close();
    m_handle = handle < 0 ? -1 : handle;
}

bool CFileHandle::IsOpen() const { return m_handle >= 0; }

unsigned long CFileHandle::Close() {
    if (m_handle < 0) return 0;
    // Closed even when interrupted.
    if (::close(std::exchange(m_handle, -1)) == 0 || errno == EINTR) return 0;
    return LastSystemError();
}

void CTemporaryFile::InstallInterruptHandler() {
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

void CTemporaryFile::RemoveNow(const char* path) { ::unlink(path); }

// ---- Standard streams and reading ---------------------------------------------------------

void GuardStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        g_closedAtStart[fd] = true;
        NullDeviceAt(fd, fd == 0 ? O_RDONLY : O_WRONLY);
    }
}

bool PathExists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileIdentity{static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino)};
}

std::string OpenFailure(const std::string& path) {
    // A folder opens here; it is no file to read all the same. O_NONBLOCK: a named pipe's
    // open would wait for a writer.
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return "is a folder";
    const CFileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    return file.IsOpen() ? std::string() : Host::SystemReason(LastSystemError());
}

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* reason) {
    bytes->clear();
    const CFileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!file.IsOpen()) {
        *reason = WithPath(path, LastSystemError());
        return false;
    }
    char chunk[65536];
    for (;;) {
        const ssize_t count = ::read(file.Get(), chunk, sizeof chunk);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            *reason = WithPath(path, LastSystemError());  // a folder: "Is a directory"
            return false;
        }
        if (count == 0) return true;
        bytes->append(chunk, static_cast<std::size_t>(count));
    }
}

// ---- Output ---------------------------------------------------------------------------------

void COutputFile::OpenStandardOutput() {
    m_path.clear();
    m_open = true;
    m_terminal = !g_closedAtStart[1] && Tool::IsTerminal(Stream::Out);
}

bool COutputFile::OpenReplacing(const std::string& path, std::string* reason) {
    m_path = path;
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
        m_file.Reset(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
        if (!m_file.IsOpen()) {
            *reason = Described(LastSystemError());
            return false;
        }
        m_terminal = ::isatty(m_file.Get()) == 1;
        m_open = true;
        return true;
    }
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temporary = folder + "." + name + ".XXXXXX";
    m_file.Reset(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!m_file.IsOpen()) {
        *reason = Described(LastSystemError());
        return false;
    }
    m_temporary.Own(temporary);
    m_target = target;
    // As the file it replaces was, or as a new file would be.
    ::fchmod(m_file.Get(), exists ? (info.st_mode & 07777) : NewFileMode());
    m_open = true;
    return true;
}

bool COutputFile::Write(const char* data, std::size_t size, std::string* reason) {
    const bool standardOutput = m_path.empty();
    if (!m_open || (standardOutput && g_closedAtStart[1])) {
        *reason = Described(EBADF);
        return false;
    }
    if (const unsigned long code = System::WriteAll(standardOutput ? 1 : m_file.Get(), data, size)) {
        *reason = Described(code);
        return false;
    }
    return true;
}

}  // namespace Tool
