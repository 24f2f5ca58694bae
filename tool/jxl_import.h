// jxl-import: the reference host as a command-line tool.
#pragma once

#include <string>
#include <vector>

namespace Tool {

// Exit statuses.
constexpr int kImportedCleanly = 0;  // every file's outcome is ok
constexpr int kFileNotOk = 1;        // a file's is not: it drew a message or was stopped
constexpr int kUsageError = 2;       // also a settings file or standard input that cannot be read
constexpr int kPluginNotLoaded = 3;
constexpr int kCannotWrite = 4;      // the output, the settings file or the copy of standard input

// `args` without the program name, in UTF-8. Writes to standard output and error.
int RunJxlImport(const std::vector<std::string>& args);

}  // namespace Tool
