// Standard output and error as jxl-import writes them: UTF-8 bytes, or UTF-16 text on a
// Windows console, which would show UTF-8 bytes as the wrong characters. One source per
// system: console_posix.cpp, console_win32.cpp.
#pragma once

#include <string>
#include <string_view>

namespace Tool {

enum class Stream { Out, Err };

// Once, before any output: no newline translation on Windows.
void PrepareStandardStreams();

void Write(Stream stream, const std::string& utf8);
bool IsTerminal(Stream stream);
int TerminalColumns(Stream stream);  // 80 when it cannot be told

#ifdef _WIN32
// UTF-8 text onto the console `console` (a HANDLE) as UTF-16, in pieces a console takes;
// the bytes of a character cut at the text's end wait in `pending` for the rest of it.
// 0, or the system's error code.
unsigned long WriteToConsole(void* console, std::string& pending, std::string_view utf8);
#endif

}  // namespace Tool
