// Standard output and error on Windows.
#include "tool/console.h"

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <io.h>

#include "platform/utf.h"
#include "platform/win32.h"

namespace Tool {
namespace {

std::FILE* File(Stream stream) { return stream == Stream::Out ? stdout : stderr; }

HANDLE Handle(Stream stream) { return ::GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE); }

}  // namespace

void PrepareStandardStreams() {
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

bool IsTerminal(Stream stream) {
    DWORD mode = 0;
    return ::GetConsoleMode(Handle(stream), &mode) != 0;
}

int TerminalColumns(Stream stream) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (::GetConsoleScreenBufferInfo(Handle(stream), &info)) return info.srWindow.Right - info.srWindow.Left + 1;
    return 80;
}

unsigned long WriteToConsole(void* console, std::string& pending, std::string_view utf8) {
    pending.append(utf8);
    std::size_t whole = pending.size();
    for (std::size_t back = 1; back <= 3 && back <= pending.size(); ++back) {
        const auto byte = static_cast<unsigned char>(pending[pending.size() - back]);
        if ((byte & 0xC0) == 0x80) continue;
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        if (length > back) whole = pending.size() - back;
        break;
    }
    const std::wstring wide = Platform::FromUtf8(std::string_view(pending.data(), whole));
    pending.erase(0, whole);
    // Consoles refuse very long writes: pieces, never splitting a surrogate pair.
    for (std::size_t start = 0; start < wide.size();) {
        std::size_t count = std::min<std::size_t>(8192, wide.size() - start);
        if (start + count < wide.size() && wide[start + count - 1] >= 0xD800 && wide[start + count - 1] <= 0xDBFF) --count;
        DWORD written = 0;
        if (!::WriteConsoleW(console, wide.data() + start, static_cast<DWORD>(count), &written, nullptr))
            return ::GetLastError();
        start += count;
    }
    return 0;
}

void Write(Stream stream, const std::string& utf8) {
    if (IsTerminal(stream)) {
        std::fflush(File(stream));
        std::string pending;
        WriteToConsole(Handle(stream), pending, utf8);  // a console that refuses has no one to tell
        return;
    }
    std::fwrite(utf8.data(), 1, utf8.size(), File(stream));
    std::fflush(File(stream));
}

}  // namespace Tool
