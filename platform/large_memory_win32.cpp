#include "platform/large_memory.h"

#include <new>

#include "platform/win32.h"

namespace Platform {

// Whole pages from the system, committed at once and faulted in on first touch.
void* AllocateLarge(std::size_t size) {
    void* block = ::VirtualAlloc(nullptr, size == 0 ? 1 : size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!block) throw std::bad_alloc();
    return block;
}

void FreeLarge(void* block) noexcept {
    if (block) ::VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace Platform
