#include "reader/text_window.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "reader/file_memory.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define JXL_SUM_SSE2 1
#else
#define JXL_SUM_SSE2 0
#endif

namespace Reader {
namespace {

constexpr std::size_t kBlock = 4096;
// Reads start at one block, so that a small file takes no more memory than it needs, and
// double up to this: under Wine every read costs a context switch or more, and 4 MiB
// reads took the 100 MB import some 20 ms less than 1 MiB ones.
constexpr std::size_t kMaxRead = std::size_t{4} << 20;

std::size_t RoundUp(std::size_t value) { return (value + kBlock - 1) / kBlock * kBlock; }

CTextWindow::BlockSum Sum(const char* bytes, std::size_t size) {
    CTextWindow::BlockSum sum;
    std::size_t i = 0;
#if JXL_SUM_SSE2
    __m128i plain = _mm_setzero_si128(), running = _mm_setzero_si128();
    const auto add = [&](std::size_t at) {
        plain = _mm_add_epi64(plain, _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at)));
        running = _mm_add_epi64(running, plain);
    };
    for (; i + 64 <= size; i += 64) add(i), add(i + 16), add(i + 32), add(i + 48);
    for (; i + 16 <= size; i += 16) add(i);
    alignas(16) std::uint64_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), plain);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 2), running);
    sum.plain = lanes[0] + lanes[1] * 3;
    sum.running = lanes[2] + lanes[3] * 3;
#endif
    for (; i < size; ++i) {
        sum.plain += static_cast<unsigned char>(bytes[i]);
        sum.running += sum.plain;
    }
    return sum;
}

}  // namespace

CTextWindow::CTextWindow(Platform::CInputFile& file, std::size_t size)
    : m_file(file), m_size(size), m_nextRead(kBlock) {
    Reserve(kBlock, End());
    Terminate(0);
}

bool CTextWindow::Advance(const char* keep) {
    const std::size_t kept = static_cast<std::size_t>(End() - keep);
    const std::size_t keptOffset = m_offset + static_cast<std::size_t>(keep - Begin());
    if (m_atEnd) return false;
    // A part longer than the reads so far makes the next read as long, so that however
    // long it is, it is read through in a few steps.
    const std::size_t count = std::min(RoundUp(std::max(m_nextRead, kept)), m_size - m_textEnd);
    m_nextRead = std::min(m_nextRead * 2, kMaxRead);
    // The kept bytes go where the new ones start on a block of the buffer's own: a read
    // that starts part of the way into a page took three times as long under Wine.
    const std::size_t front = RoundUp(kept) - kept;
    Reserve(front + kept + count, keep, front);
    m_offset = keptOffset;
    char* const into = Begin() + kept;
    const std::size_t arrived = Read(m_textEnd, into, count);
    for (std::size_t at = 0; at < arrived; at += kBlock) {
        const BlockSum sum = Sum(into + at, std::min(kBlock, arrived - at));
        FileMemory([&] { m_sums.push_back(sum); });
    }
    m_textEnd += arrived;
    m_atEnd = arrived < count || m_textEnd == m_size;
    Terminate(kept + arrived);
    return arrived > 0;
}

void CTextWindow::ReadWhole() {
    Reserve(m_size, End());
    m_offset = 0;
    const std::size_t arrived = Read(0, Begin(), m_size);
    m_textEnd = arrived;
    m_atEnd = true;
    m_sums.clear();
    Terminate(arrived);
}

char* CTextWindow::Bring(std::size_t begin, std::size_t end) {
    if (begin >= m_offset && end <= m_offset + m_filled) return Begin() + (begin - m_offset);
    if (begin > end || end > m_textEnd) throw CFileChanged();
    // The part and what follows it, up to a read's length.
    const std::size_t from = begin / kBlock * kBlock;
    const std::size_t to = std::min(from + std::max(RoundUp(end - from), kMaxRead), m_textEnd);
    Reserve(to - from, End());
    m_offset = from;
    m_filled = 0;
    char* const part = ReadInto(begin, to, Begin());
    m_filled = to - from;
    return part;
}

std::size_t CTextWindow::RoomFor(std::size_t begin, std::size_t end) {
    return RoundUp(end) - begin / kBlock * kBlock + 1 + kPadding;
}

char* CTextWindow::ReadInto(std::size_t begin, std::size_t end, char* buffer) {
    if (begin > end || end > m_textEnd) throw CFileChanged();
    const std::size_t from = begin / kBlock * kBlock;
    const std::size_t count = std::min(RoundUp(end), m_textEnd) - from;
    const std::size_t arrived = Read(from, buffer, count);
    std::memset(buffer + arrived, 0, 1 + kPadding);
    if (arrived != count) throw CFileChanged();
    Check(from, buffer, count);
    return buffer + (begin - from);
}

void CTextWindow::FreeWindow() {
    m_buffer.reset();
    m_capacity = m_front = m_offset = m_filled = 0;
}

void CTextWindow::Check(std::size_t from, const char* bytes, std::size_t count) const {
    for (std::size_t at = 0; at < count; at += kBlock) {
        const std::size_t block = (from + at) / kBlock;
        if (block >= m_sums.size() || Sum(bytes + at, std::min(kBlock, count - at)) != m_sums[block])
            throw CFileChanged();
    }
}

void CTextWindow::Reserve(std::size_t capacity, const char* keep, std::size_t front) {
    const std::size_t kept = static_cast<std::size_t>(End() - keep);
    if (capacity > SIZE_MAX / 4) throw CFileTooLarge();
    if (capacity <= m_capacity) {
        std::memmove(m_buffer.get() + front, keep, kept);
        m_front = front;
        return;
    }
    const std::size_t grown = std::max(capacity, std::min(2 * m_capacity, capacity + kMaxRead));
    Platform::CLargeBuffer buffer = FileMemory([&] { return Platform::AllocateLargeBuffer(grown + 1 + kPadding); });
    if (kept) std::memcpy(buffer.get() + front, keep, kept);
    m_buffer = std::move(buffer);
    m_capacity = grown;
    m_front = front;
}

std::size_t CTextWindow::Read(std::size_t offset, char* into, std::size_t count) {
    return count ? m_file.ReadAt(offset, into, count) : 0;
}

void CTextWindow::Terminate(std::size_t filled) {
    m_filled = filled;
    std::memset(Begin() + filled, 0, 1 + kPadding);
}

}  // namespace Reader
