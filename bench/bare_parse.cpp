// The floor for an import: the file read into one buffer and parsed in place by RapidXML
// with the declaration as a node, and nothing else. One parse per process.
//
// Usage: jxl-bench-parse FILE
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <rapidxml.hpp>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    const std::size_t size = static_cast<std::size_t>(info.st_size);
    std::unique_ptr<char[]> buffer(new char[size + 1]);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer.get() + done, size - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    buffer[done] = '\0';

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
