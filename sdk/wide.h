// Wide text as the host sees it: UTF-16 code units, zero-terminated at the boundary.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Plugin {

#ifdef _WIN32
using WChar = wchar_t;  // 16-bit on Windows: the host's own character type
#else
using WChar = char16_t;
#endif
static_assert(sizeof(WChar) == 2, "host texts are UTF-16");

using WString = std::basic_string<WChar>;
using WStringView = std::basic_string_view<WChar>;

// Texts the plug-in returns to the host, allocated by SysAllocString and freed by the host.
using BSTR = WChar*;

}  // namespace Plugin

// Wide literals of the host's character type: WIDE("abc") is L"abc" or u"abc".
#ifdef _WIN32
#define JXL_WIDE_(s) L##s
#else
#define JXL_WIDE_(s) u##s
#endif
#define WIDE(s) JXL_WIDE_(s)
