#include "platform/large_memory.h"

#include <cstdint>
#include <new>

#include <sys/mman.h>

namespace Platform {
namespace {

constexpr std::size_t kPage = 4096;

// In front of each block: the length of its mapping. 64 bytes keep the caller's block
// aligned for anything.
struct alignas(64) Header {
    std::size_t length;
};

std::size_t RoundUp(std::size_t value, std::size_t step) { return (value + step - 1) / step * step; }

}  // namespace

// Small pages, never marked for huge ones. On a virtual machine that hands memory free for
// a while back to its host, a huge page mostly comes from memory handed back, which the
// host must supply anew (several milliseconds per 2 MiB), where small pages come from
// what the last process has just freed; the file buffer, the one large block of an
// import, is read through once and needs no fewer TLB entries.
void* AllocateLarge(std::size_t size) {
    if (size > SIZE_MAX / 2) throw std::bad_alloc();
    const std::size_t length = RoundUp(size + sizeof(Header), kPage);
    void* start = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED) throw std::bad_alloc();
    static_cast<Header*>(start)->length = length;
    return static_cast<unsigned char*>(start) + sizeof(Header);
}

void FreeLarge(void* block) noexcept {
    if (!block) return;
    auto* start = static_cast<unsigned char*>(block) - sizeof(Header);
    ::munmap(start, reinterpret_cast<Header*>(start)->length);
}

}  // namespace Platform
