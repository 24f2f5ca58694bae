// Standard output and error on Linux and the other POSIX systems.
#include "tool/console.h"

#include <cstdio>

#include <sys/ioctl.h>
#include <unistd.h>

namespace Tool {
namespace {

std::FILE* File(Stream stream) { return stream == Stream::Out ? stdout : stderr; }

}  // namespace

void PrepareStandardStreams() {}

bool IsTerminal(Stream stream) { return ::isatty(::fileno(File(stream))) == 1; }

int TerminalColumns(Stream stream) {
    winsize size{};
    if (::ioctl(::fileno(File(stream)), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

void Write(Stream stream, const std::string& utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), File(stream));
    std::fflush(File(stream));
}

}  // namespace Tool
