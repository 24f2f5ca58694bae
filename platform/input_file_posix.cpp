#include "platform/input_file.h"

#include "platform/utf.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

CInputFile::~CInputFile() {
    if (m_fd >= 0) ::close(m_fd);
}

bool CInputFile::Open(const WString& path) {
    // File names here are bytes: the host's UTF-16 path becomes UTF-8, and a byte that
    // its host could not read as UTF-8 comes back as it was.
    const std::string name = FileNameToBytes(path);
    if (name.empty() || name.find('\0') != std::string::npos) return false;
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it has no size and is
    // refused when asked for one.
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info;
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

// Where the end lies, not what the file's status says: a device that reads as empty has
// size 0, and a file whose end cannot be sought (a pipe, many files under /proc) has none.
std::optional<std::size_t> CInputFile::Size() {
    if (m_fd < 0) return std::nullopt;
    const off_t end = ::lseek(m_fd, 0, SEEK_END);
    if (end < 0 || ::lseek(m_fd, 0, SEEK_SET) != 0) return std::nullopt;
    return static_cast<std::size_t>(end);
}

std::size_t CInputFile::Read(char* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(m_fd, buffer + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

}  // namespace Platform
