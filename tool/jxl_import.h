// jxl-import: the reference host as a command-line tool.
#pragma once

#include <string>
#include <vector>

namespace Tool {

// Exit statuses.
constexpr int kImportedCleanly = 0;
constexpr int kFileDrewMessage = 1;
constexpr int kUsageError = 2;
constexpr int kPluginNotLoaded = 3;

// `args` without the program name, in UTF-8. Writes to standard output and error.
int RunJxlImport(const std::vector<std::string>& args);

}  // namespace Tool
