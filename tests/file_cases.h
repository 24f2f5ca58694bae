// What one file's import gave the host, from the first call after the parser was made
// through the final progress: the walk with its progress and messages.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support.h"

namespace Support {

inline std::vector<std::string> FileCalls(const std::string& bytes, const Settings& settings = {}) {
    std::vector<std::string> calls = ImportCalls({WriteScratchFile("file.jxl", bytes)}, settings);
    const std::string parserReady = R"({"op":"Release","arg":"factory"})";
    const std::string done = R"({"op":"SetProgress","arg":100})";
    const auto first = std::find(calls.begin(), calls.end(), parserReady);
    const auto last = std::find(calls.begin(), calls.end(), done);
    if (first == calls.end() || last == calls.end() || last < first) return calls;  // show everything
    return {first + 1, last + 1};
}

struct FileCase {
    std::string behaviour;
    std::string bytes;
    std::string expected;  // as for Lines
    Settings settings = {};
};

inline void ExpectFiles(const std::vector<FileCase>& cases) {
    for (const FileCase& each : cases) {
        SCOPED_TRACE(each.behaviour);
        EXPECT_EQ(FileCalls(each.bytes, each.settings), Lines(each.expected));
    }
}

// The lines of a file that is reported as badly formed before it could be parsed.
constexpr const char* kMalformed = R"(
    {"op":"SetResult","arg":-1}
    {"op":"ShowMessage","arg":"Ошибка в формате файла"}
    {"op":"SetProgress","arg":100}
)";

}  // namespace Support
