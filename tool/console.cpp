#include "tool/console.h"

#include <algorithm>
#include <cstdio>

#include "platform/utf.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "platform/win32.h"
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace Tool {
namespace {

std::FILE* File(Stream stream) { return stream == Stream::Out ? stdout : stderr; }

#ifdef _WIN32
HANDLE Handle(Stream stream) { return ::GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE); }
#endif

}  // namespace

void PrepareStandardStreams() {
#ifdef _WIN32
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
#endif
}

bool IsTerminal(Stream stream) {
#ifdef _WIN32
    DWORD mode = 0;
    return ::GetConsoleMode(Handle(stream), &mode) != 0;
#else
    return ::isatty(::fileno(File(stream))) == 1;
#endif
}

int TerminalColumns(Stream stream) {
#ifdef _WIN32
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (::GetConsoleScreenBufferInfo(Handle(stream), &info)) return info.srWindow.Right - info.srWindow.Left + 1;
#else
    winsize size{};
    if (::ioctl(::fileno(File(stream)), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
#endif
    return 80;
}

void Write(Stream stream, const std::string& utf8) {
#ifdef _WIN32
    if (IsTerminal(stream)) {
        std::fflush(File(stream));
        // Consoles refuse very long writes: pieces, never splitting a surrogate pair.
        const Platform::WString wide = Platform::FromUtf8(utf8);
        for (std::size_t start = 0; start < wide.size();) {
            std::size_t count = std::min<std::size_t>(8192, wide.size() - start);
            if (start + count < wide.size() && wide[start + count - 1] >= 0xD800 && wide[start + count - 1] <= 0xDBFF) --count;
            DWORD written = 0;
            if (!::WriteConsoleW(Handle(stream), wide.data() + start, static_cast<DWORD>(count), &written, nullptr)) return;
            start += count;
        }
        return;
    }
#endif
    std::fwrite(utf8.data(), 1, utf8.size(), File(stream));
    std::fflush(File(stream));
}

}  // namespace Tool
