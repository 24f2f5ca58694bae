// What each system's source (files_posix.cpp, files_win32.cpp) gives the code every system
// shares (files.cpp). Each call answers 0, or the system's error code.
#pragma once

#include <cstddef>
#include <string>

#include "tool/files.h"

namespace Tool::System {

// All of it, however many writes that takes.
unsigned long WriteAll(NativeHandle file, const char* data, std::size_t size);

// Standard output closed, where a program may close it, and its number kept taken: a
// failed write that a file system (NFS, a full quota) reports only then is seen.
unsigned long CloseStandardOutput();

// `from` renamed over `to`, which it replaces.
unsigned long MoveOver(const NativePath& from, const NativePath& to);

// Why standard input cannot be read at all (the process was started without it).
unsigned long StandardInputMissing();

// Up to `size` bytes of standard input; `*count` is 0 at its end.
unsigned long ReadStandardInput(char* buffer, std::size_t size, std::size_t* count);

// A new file of its own in the temporary folder, open for writing, for the copy of
// standard input; `path` is set also when it cannot be made.
unsigned long CreateStandardInputCopy(NativePath* path, CFileHandle* file);

// A path as messages show it.
std::string Utf8(const NativePath& path);

}  // namespace Tool::System
