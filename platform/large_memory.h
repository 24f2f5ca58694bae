// Memory for the few large blocks of an import, the file buffer and the XML parser's node
// pool, straight from the system: a block is handed out in as few page faults as the
// system allows and given back whole, with nothing left for a heap to trim.
#pragma once

#include <cstddef>
#include <memory>

namespace Platform {

// At least `size` bytes, uninitialised. Throws std::bad_alloc when the system has none.
void* AllocateLarge(std::size_t size);
// A block from AllocateLarge, or null.
void FreeLarge(void* block) noexcept;

struct LargeFree {
    void operator()(char* block) const noexcept { FreeLarge(block); }
};
using CLargeBuffer = std::unique_ptr<char[], LargeFree>;

inline CLargeBuffer AllocateLargeBuffer(std::size_t size) {
    return CLargeBuffer(static_cast<char*>(AllocateLarge(size)));
}

}  // namespace Platform
