// UTF-16 and UTF-8, for file names and for showing wide texts.
#pragma once

#include <string>

#include "platform/wide.h"

namespace Platform {

namespace Detail {

// File names elsewhere than on Windows are bytes, not always UTF-8. To travel through the
// host's UTF-16 unchanged, a byte that is not part of well-formed UTF-8 becomes the lone
// surrogate U+DC80 to U+DCFF (which no well-formed UTF-8 can give) and back.
constexpr char32_t kEscapedByte = 0xDC00;

inline bool IsEscapedByte(char32_t cp) { return cp >= kEscapedByte + 0x80 && cp <= kEscapedByte + 0xFF; }

}  // namespace Detail

// An unpaired surrogate becomes U+FFFD, or with escapedBytes, one of U+DC80 to U+DCFF the
// byte it stands for.
inline std::string ToUtf8(WStringView text, bool escapedBytes = false) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = static_cast<char16_t>(text[i]);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
            const char32_t low = static_cast<char16_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (escapedBytes && Detail::IsEscapedByte(cp)) {
            out += static_cast<char>(cp - Detail::kEscapedByte);
            continue;
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// Strict: anything that is not well-formed UTF-8 becomes U+FFFD, byte by byte, or with
// escapedBytes, U+DC80 to U+DCFF by the byte's value.
inline WString FromUtf8(std::string_view text, bool escapedBytes = false) {
    WString out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned char lead = *p;
        int extra = lead < 0x80 ? 0 : lead >= 0xC2 && lead <= 0xDF ? 1 : lead >= 0xE0 && lead <= 0xEF ? 2
                  : lead >= 0xF0 && lead <= 0xF4 ? 3 : -1;
        char32_t cp = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        bool valid = extra >= 0 && end - p > extra;
        for (int i = 1; valid && i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80) valid = false;
            else cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (valid && ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
                      (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))))
            valid = false;
        if (!valid) {
            out += static_cast<WChar>(escapedBytes ? Detail::kEscapedByte + lead : 0xFFFD);
            ++p;
            continue;
        }
        p += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<WChar>(0xD800 + (cp >> 10));
            out += static_cast<WChar>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<WChar>(cp);
        }
    }
    return out;
}

// A file name from the command line or the file system, and back.
inline WString FileNameFromBytes(std::string_view name) { return FromUtf8(name, true); }
inline std::string FileNameToBytes(WStringView name) { return ToUtf8(name, true); }

}  // namespace Platform
