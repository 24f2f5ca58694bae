// Runs the built jxl-import as a child process, in the source folder, so that example
// paths are the same relative paths in every build and in the expected outputs.
#pragma once

#include <string>
#include <vector>

#include "host/system_error.h"

// The system's words for a failure, as jxl-import passes them on: strerror's on Linux, as
// written here; on Windows the words of the error code, which differ between Windows and
// Wine and between languages.
#ifdef _WIN32
#define JXL_REASON(posix, windowsCode) Host::SystemReason(windowsCode)
#else
#define JXL_REASON(posix, windowsCode) std::string(posix)
#endif

namespace ToolRun {

// The reason jxl-import gives for examples/malformed.jxl, a job cut short.
inline const std::string kMalformedReason =
    "not well-formed XML at line 18, column 1 (the end of the file): unexpected end of data";

struct Result {
    int status = -1;
    std::string out;  // standard output, bytes as written
    std::string err;  // standard error
};

// Where the child's standard streams lead, and what it runs under.
struct RunOptions {
    enum class Input { Inherited, File, Pipe, Folder, Closed };
    enum class Output { File, FullDevice, Closed, ReadOnly, Terminal };

    Input input = Input::Inherited;
    std::string inputBytes;           // File, Pipe: what standard input holds
    Output output = Output::File;     // FullDevice: /dev/full; Terminal: standard error's (Linux only)
    long long fileSizeLimit = -1;     // Linux: the child's RLIMIT_FSIZE, with SIGXFSZ ignored
    std::string folder;               // working folder; empty: the source folder
    std::string temporaryFolder;      // TMPDIR (TMP and TEMP on Windows); empty: as inherited
    std::size_t memoryLimit = 0;      // Linux: the child's address space cap (RLIMIT_AS); 0: none
};

// `args` in UTF-8, without the program name.
Result JxlImport(const std::vector<std::string>& args, const RunOptions& options = {});

// The folder of the built jxl-import.
std::string ToolFolder();

#ifndef _WIN32
// A shell command line run by /bin/sh in `folder`, with jxl-import's folder first on PATH.
Result Shell(const std::string& command, const std::string& folder);
#endif

#ifndef _WIN32
// The same with standard error on a new pseudo-terminal, whose output comes back in `err`;
// with `outputToo`, standard output on it as well.
Result JxlImportOnTerminal(const std::vector<std::string>& args, bool outputToo = false);

// The same with the child's address space capped at `bytes`.
Result JxlImportWithMemoryLimit(const std::vector<std::string>& args, std::size_t bytes);
#endif

// A file of the source tree, bytes as stored.
std::string SourceFile(const std::string& relativePath);

// A shared library that is certainly there and has no CreatePlugin.
std::string LibraryWithoutCreatePlugin();

}  // namespace ToolRun
