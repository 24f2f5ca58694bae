// Memory for the few large blocks of an import, the file buffer and the node memory of a
// record too large for the parser's own, straight from the system: given back whole, with
// nothing left for a heap to trim.
#pragma once

#include <cstddef>
#include <memory>

namespace Platform {

// At least `size` bytes, all zero, as the system hands out fresh memory. Throws
// std::bad_alloc when the system has none.
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
