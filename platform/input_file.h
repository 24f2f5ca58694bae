// A file opened for reading its bytes as stored, others keeping read and write access.
#pragma once

#include <cstddef>
#include <optional>

#include "platform/wide.h"

namespace Platform {

class CInputFile {
public:
    CInputFile() = default;
    ~CInputFile();
    CInputFile(const CInputFile&) = delete;
    CInputFile& operator=(const CInputFile&) = delete;

    // False when the path names nothing that can be opened for reading as a file:
    // missing, no access, a directory.
    bool Open(const WString& path);

    // The size in bytes, or nothing when it cannot be determined. Leaves the position at
    // the start.
    std::optional<std::size_t> Size();

    // Reads up to `count` bytes from the start; returns how many arrived, fewer only at the
    // end of the file or when it cannot be read further.
    std::size_t Read(char* buffer, std::size_t count);

private:
#ifdef _WIN32
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};

}  // namespace Platform
