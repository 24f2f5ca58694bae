// Runs the built jxl-import as a child process, in the source folder, so that example
// paths are the same relative paths in every build and in the expected outputs.
#pragma once

#include <string>
#include <vector>

namespace ToolRun {

struct Result {
    int status = -1;
    std::string out;  // standard output, bytes as written
    std::string err;  // standard error
};

// `args` in UTF-8, without the program name.
Result JxlImport(const std::vector<std::string>& args);

#ifndef _WIN32
// The same with standard error on a new pseudo-terminal, whose output comes back in `err`.
Result JxlImportOnTerminal(const std::vector<std::string>& args);

// The same with the child's address space capped at `bytes`.
Result JxlImportWithMemoryLimit(const std::vector<std::string>& args, std::size_t bytes);
#endif

// A file of the source tree, bytes as stored.
std::string SourceFile(const std::string& relativePath);

// A shared library that is certainly there and has no CreatePlugin.
std::string LibraryWithoutCreatePlugin();

}  // namespace ToolRun
