// Wide text as Windows has it: UTF-16 code units, zero-terminated where a call takes it.
#pragma once

#include <string>
#include <string_view>

namespace Platform {

#ifdef _WIN32
using WChar = wchar_t;  // 16-bit on Windows: the system's own character type
#else
using WChar = char16_t;
#endif
static_assert(sizeof(WChar) == 2, "wide texts are UTF-16");

using WString = std::basic_string<WChar>;
using WStringView = std::basic_string_view<WChar>;

}  // namespace Platform

// Wide literals of that character type: WIDE("abc") is L"abc" or u"abc".
#ifdef _WIN32
#define JXL_WIDE_(s) L##s
#else
#define JXL_WIDE_(s) u##s
#endif
#define WIDE(s) JXL_WIDE_(s)
