// The floor for an import: the file read into one buffer and parsed in place by RapidXML
// with the declaration as a node, and nothing else. One parse per process. On Windows the
// file is read with the system's own calls, as the plug-in reads it there.
//
// Usage: jxl-bench-parse FILE
#include <cstdio>
#include <cstdlib>
#include <memory>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <rapidxml.hpp>

namespace {

// The whole file behind a terminator, or null when it cannot be read.
std::unique_ptr<char[]> ReadWhole(const char* path) {
#ifdef _WIN32
    const HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    LARGE_INTEGER info;
    if (file == INVALID_HANDLE_VALUE || !::GetFileSizeEx(file, &info)) return nullptr;
    const std::size_t size = static_cast<std::size_t>(info.QuadPart);
    std::unique_ptr<char[]> buffer(new char[size + 1]);
    std::size_t done = 0;
    while (done < size) {
        DWORD n = 0;
        const DWORD chunk = size - done < (1u << 30) ? static_cast<DWORD>(size - done) : (1u << 30);
        if (!::ReadFile(file, buffer.get() + done, chunk, &n, nullptr) || n == 0) break;
        done += n;
    }
    ::CloseHandle(file);
#else
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || ::fstat(fd, &info) != 0) return nullptr;
    const std::size_t size = static_cast<std::size_t>(info.st_size);
    std::unique_ptr<char[]> buffer(new char[size + 1]);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer.get() + done, size - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
#endif
    buffer[done] = '\0';
    return buffer;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const std::unique_ptr<char[]> buffer = ReadWhole(argv[1]);
    if (!buffer) {
        std::fprintf(stderr, "%s: cannot read\n", argv[1]);
        return 1;
    }

    rapidxml::xml_document<char> document;
    try {
        document.parse<rapidxml::parse_declaration_node>(buffer.get());
    } catch (const rapidxml::parse_error& error) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.what());
        return 1;
    }
    // Out at once: the floor holds the read and the parse, not even the tree's release,
    // which the import has to pay for and the bare parse would pay again at exit.
    std::fflush(stdout);
    std::_Exit(document.first_node() ? 0 : 1);
}
