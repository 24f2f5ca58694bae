// jxl-import's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tool/formats.h"

namespace Tool {

// A FILE of this name is standard input.
constexpr const char* kStandardInput = "-";

struct Options {
    std::string pluginPath;  // empty: the library beside the executable
    OutputFormat format = OutputFormat::Table;
    std::string outputPath;             // empty: standard output
    std::optional<bool> prismConstant;  // ConsiderPrismConstant
    std::optional<bool> fieldBook;      // ParseFieldBookNode
    std::optional<bool> reductions;     // ParseReductionsNode
    std::string settingsPath;           // empty: no settings store file
    bool saveSettings = false;
    bool showSettings = false;
    bool progress = false;
    bool byteOrderMark = false;         // --bom: csv only
    std::vector<std::string> files;     // UTF-8, as given; "-" is standard input
};

struct CommandLine {
    enum class Action { Run, Help, Version, UsageError };
    Action action = Action::Run;
    Options options;
    std::string error;  // UsageError: one line, without the program name
};

// `args` without the program name, in UTF-8.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// `defaultPlugin`: the library loaded without --plugin, which the help shows in its example.
std::string HelpText(const std::string& defaultPlugin);

}  // namespace Tool
