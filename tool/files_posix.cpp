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

namespace Tool {
namespace {

using Host::LastSystemError;
using Host::SystemReason;

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

}  // namespace

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
    unsigned long code = 0;
    if (!WriteAll(standardOutput ? 1 : m_file.Get(), data, size, &code)) {
        *reason = Described(code);
        return false;
    }
    return true;
}

bool COutputFile::Commit(std::string* reason) {
    if (!m_open) return true;
    m_open = false;
    unsigned long closeCode = 0;
    if (m_path.empty()) {
        if (g_closedAtStart[1]) return true;
        // Standard output is closed too, and its number kept taken.
        if (::close(1) != 0 && errno != EINTR) closeCode = LastSystemError();
        NullDeviceAt(1, O_WRONLY);
    } else {
        closeCode = m_file.Close();
    }
    if (closeCode != 0) {
        *reason = Described(closeCode);
        Discard();
        return false;
    }
    if (!m_temporary.Owns()) return true;
    if (::rename(m_temporary.Path().c_str(), m_target.c_str()) != 0) {
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
    if (g_closedAtStart[0]) return cannotRead(EBADF);
    std::string path = TemporaryFolder() + "jxl-import-stdin-XXXXXX.jxl";
    CFileHandle copy(::mkostemps(path.data(), 4, O_CLOEXEC));
    if (!copy.IsOpen()) return cannotWrite(path, LastSystemError());
    m_copy.Own(path);
    m_path = path;
    char chunk[65536];
    for (;;) {
        const ssize_t count = ::read(0, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return cannotRead(LastSystemError());
        if (count == 0) break;
        unsigned long code = 0;
        if (!WriteAll(copy.Get(), chunk, static_cast<std::size_t>(count), &code)) return cannotWrite(m_path, code);
    }
    if (const unsigned long code = copy.Close()) return cannotWrite(m_path, code);
    return true;
}

}  // namespace Tool
