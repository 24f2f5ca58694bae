// File text to wide text: the one way element and attribute values become UTF-16.
#pragma once

#include <memory>

#include "platform/win32.h"
#include "sdk/wide.h"

namespace Reader {

// The converted text. Up to 128 wide characters live inside the object; only longer
// texts go to the heap.
class CDecodedText {
public:
    // Converts the zero-terminated `bytes` from `codePage`. Throws CHResultError when the
    // conversion fails.
    CDecodedText(const char* bytes, UINT codePage);
    CDecodedText(const CDecodedText&) = delete;
    CDecodedText& operator=(const CDecodedText&) = delete;

    const Plugin::WChar* c_str() const { return m_text; }
    Plugin::WStringView view() const { return {m_text, m_length}; }
    bool empty() const { return m_length == 0; }
    bool operator==(Plugin::WStringView other) const { return view() == other; }
    bool operator!=(Plugin::WStringView other) const { return view() != other; }

private:
    static constexpr int kInlineCapacity = 128;

    Plugin::WChar m_inline[kInlineCapacity];
    std::unique_ptr<Plugin::WChar[]> m_heap;
    Plugin::WChar* m_text = m_inline;
    std::size_t m_length = 0;
};

// The code page that the XML declaration's encoding selects: the thread's ANSI code page
// for any mention of 1251 or 1252, UTF-8 for everything else.
UINT CodePageForEncoding(Plugin::WStringView encoding);

}  // namespace Reader
