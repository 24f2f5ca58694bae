#include "platform/large_memory.h"

#include <cstdint>
#include <new>

#include <sys/mman.h>

namespace Platform {
namespace {

// Where the kernel can back memory with 2 MiB pages, a block of that size or more is laid
// on their boundaries and marked for them: one fault then brings in 512 small pages' worth,
// and the walk over the tree misses the TLB far less. Smaller blocks keep small pages.
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kPage = 4096;

// In front of each block: the length of its mapping. 64 bytes keep the caller's block
// aligned for anything.
struct alignas(64) Header {
    std::size_t length;
};

std::size_t RoundUp(std::size_t value, std::size_t step) { return (value + step - 1) / step * step; }

}  // namespace

void* AllocateLarge(std::size_t size) {
    if (size > SIZE_MAX / 2) throw std::bad_alloc();
    const std::size_t needed = size + sizeof(Header);
    const bool huge = needed >= kHugePage;
    const std::size_t length = RoundUp(needed, huge ? kHugePage : kPage);

    // A mapping one huge page longer than wanted, trimmed to the aligned part.
    const std::size_t mapped = huge ? length + kHugePage : length;
    void* raw = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    auto* start = static_cast<unsigned char*>(raw);
    if (huge) {
        const auto address = reinterpret_cast<std::uintptr_t>(raw);
        start += RoundUp(address, kHugePage) - address;
        if (start != raw) ::munmap(raw, static_cast<std::size_t>(start - static_cast<unsigned char*>(raw)));
        unsigned char* const end = start + length;
        unsigned char* const mappedEnd = static_cast<unsigned char*>(raw) + mapped;
        if (end != mappedEnd) ::munmap(end, static_cast<std::size_t>(mappedEnd - end));
#ifdef MADV_HUGEPAGE
        ::madvise(start, length, MADV_HUGEPAGE);  // only advice: without it, small pages
#endif
    }
    reinterpret_cast<Header*>(start)->length = length;
    return start + sizeof(Header);
}

void FreeLarge(void* block) noexcept {
    if (!block) return;
    auto* start = static_cast<unsigned char*>(block) - sizeof(Header);
    ::munmap(start, reinterpret_cast<Header*>(start)->length);
}

}  // namespace Platform
