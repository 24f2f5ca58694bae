#include "reader/decode.h"

#include <climits>
#include <cstring>

#include "sdk/error.h"

namespace Reader {
namespace {

[[noreturn]] void ThrowLastError() {
    throw Plugin::CHResultError(HRESULT_FROM_WIN32(::GetLastError()));
}

}  // namespace

CDecodedText::CDecodedText(const char* bytes, UINT codePage) {
    const std::size_t length = std::strlen(bytes);
    if (length >= static_cast<std::size_t>(INT_MAX)) throw Plugin::CHResultError(HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER));
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
        if (converted == capacity) throw Plugin::CHResultError(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
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
