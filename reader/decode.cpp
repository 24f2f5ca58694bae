#include "reader/decode.h"

#include <climits>
#include <cstring>

#include "platform/error.h"

namespace Reader {
namespace {

[[noreturn]] void ThrowLastError() {
    throw Platform::CHResultError(HRESULT_FROM_WIN32(::GetLastError()));
}

}  // namespace

CDecodedText::CDecodedText(const char* bytes, UINT codePage) {
    // ASCII reads the same in both code pages a declaration can select, UTF-8 and any
    // ANSI code page: a short ASCII text, nearly every text of a file, is widened as it is.
    const auto* ascii = reinterpret_cast<const unsigned char*>(bytes);
    constexpr auto kInline = static_cast<std::size_t>(kInlineCapacity);
    std::size_t n = 0;
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
