#include "reader/decode.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "platform/error.h"

// The reference reader widens a byte at a time, so that the differential tests hold the
// block widening to the plain loop.
#if defined(__SSE2__) && !defined(JXL_REFERENCE_READER)
#include <emmintrin.h>
#define JXL_DECODE_SSE2 1
// A block load stays inside the text's page but may pass the text's end, which
// AddressSanitizer would take for an overflow; the bytes past the end are never used.
#define JXL_LOADS_PAST_THE_END __attribute__((no_sanitize_address))
#else
#define JXL_DECODE_SSE2 0
#define JXL_LOADS_PAST_THE_END
#endif

namespace Reader {
namespace {

[[noreturn]] void ThrowLastError() {
    throw Platform::CHResultError(HRESULT_FROM_WIN32(::GetLastError()));
}

// Widens the ASCII run at the start of `bytes` into `wide`, sixteen bytes at a time while
// a load cannot leave the page the text is in (no fault, wherever the text ends), and
// `capacity` has room for sixteen more. Returns how many bytes it took: all of them up to
// a zero or a byte of 0x80 or above, or fewer; the caller goes on from there.
JXL_LOADS_PAST_THE_END std::size_t WidenAsciiBlocks(const unsigned char* bytes, Plugin::WChar* wide, std::size_t capacity) {
    std::size_t n = 0;
#if JXL_DECODE_SSE2
    constexpr std::uintptr_t kPage = 4096, kBlock = 16;
    const __m128i zero = _mm_setzero_si128();
    while (n + kBlock <= capacity && (reinterpret_cast<std::uintptr_t>(bytes + n) & (kPage - 1)) <= kPage - kBlock) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + n));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(wide + n), _mm_unpacklo_epi8(block, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(wide + n + 8), _mm_unpackhi_epi8(block, zero));
        // A byte's top bit, or a zero byte.
        const auto stop = static_cast<unsigned>(_mm_movemask_epi8(block) | _mm_movemask_epi8(_mm_cmpeq_epi8(block, zero)));
        if (stop) return n + static_cast<std::size_t>(__builtin_ctz(stop));
        n += kBlock;
    }
#else
    (void)bytes, (void)wide, (void)capacity;
#endif
    return n;
}

}  // namespace

CDecodedText::CDecodedText(const char* bytes, UINT codePage) {
    // ASCII reads the same in both code pages a declaration can select, UTF-8 and any
    // ANSI code page: a short ASCII text, nearly every text of a file, is widened as it is.
    const auto* ascii = reinterpret_cast<const unsigned char*>(bytes);
    constexpr auto kInline = static_cast<std::size_t>(kInlineCapacity);
    std::size_t n = WidenAsciiBlocks(ascii, m_inline, kInline);
    while (n < kInline && ascii[n] != 0 && ascii[n] < 0x80) {
        m_inline[n] = static_cast<Plugin::WChar>(ascii[n]);
        ++n;
    }
    if (n < kInline && ascii[n] == 0) {
        m_inline[n] = 0;
        m_length = n;
        return;
    }

    const std::size_t length = n + std::strlen(bytes + n);
    if (length >= static_cast<std::size_t>(INT_MAX)) throw Platform::CHResultError(HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER));
    // With its terminator. No code page makes more wide characters than bytes, so the
    // retry below is for safety only.
    const int byteCount = static_cast<int>(length) + 1;
    int capacity = byteCount;
    if (capacity > kInlineCapacity) {
        m_heap.reset(new Plugin::WChar[static_cast<std::size_t>(capacity)]);
        m_text = m_heap.get();
    }
    int converted = ::MultiByteToWideChar(codePage, 0, bytes, byteCount, m_text, capacity);
    if (converted == 0) {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) ThrowLastError();
        capacity = ::MultiByteToWideChar(codePage, 0, bytes, byteCount, nullptr, 0);
        if (capacity == 0) ThrowLastError();
        m_heap.reset(new Plugin::WChar[static_cast<std::size_t>(capacity)]);
        m_text = m_heap.get();
        converted = ::MultiByteToWideChar(codePage, 0, bytes, byteCount, m_text, capacity);
        if (converted == 0) ThrowLastError();
    }
    // Up to the first zero character.
    while (m_length < static_cast<std::size_t>(converted) && m_text[m_length] != 0) ++m_length;
    if (m_length == static_cast<std::size_t>(converted)) {
        // Cannot happen with a terminated input, but the text must end in a zero.
        if (converted == capacity) throw Platform::CHResultError(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
        m_text[m_length] = 0;
    }
}

UINT CodePageForEncoding(Plugin::WStringView encoding) {
    if (encoding.find(WIDE("1251")) != Plugin::WStringView::npos ||
        encoding.find(WIDE("1252")) != Plugin::WStringView::npos)
        return CP_THREAD_ACP;
    return CP_UTF8;
}

}  // namespace Reader
