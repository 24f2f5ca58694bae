// Standard output and error as jxl-import writes them: UTF-8 bytes, or UTF-16 text on a
// Windows console, which would show UTF-8 bytes as the wrong characters.
#pragma once

#include <string>

namespace Tool {

enum class Stream { Out, Err };

// Once, before any output: no newline translation on Windows.
void PrepareStandardStreams();

void Write(Stream stream, const std::string& utf8);
bool IsTerminal(Stream stream);
int TerminalColumns(Stream stream);  // 80 when it cannot be told

}  // namespace Tool
