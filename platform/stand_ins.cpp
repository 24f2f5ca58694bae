// Stand-ins for the Windows calls on other systems.
#include "platform/win32.h"

#include <cstdlib>
#include <cstring>

namespace {

thread_local DWORD t_lastError = 0;

// ---- Text conversion ------------------------------------------------------------------

constexpr char16_t kReplacement = 0xFFFD;

// Windows-1251 from 0x80 to 0xBF (0xC0 to 0xFF are U+0410 to U+044F). 0x98 is unassigned
// and, as in Windows' own table, passes through as the C1 control.
constexpr char16_t kCp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

// Appends the code units of one code point, or counts them when out is null.
class CWideSink {
public:
    CWideSink(char16_t* out, int capacity) : m_out(out), m_capacity(capacity) {}
    void Put(char32_t cp) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            PutUnit(static_cast<char16_t>(0xD800 + (cp >> 10)));
            PutUnit(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            PutUnit(static_cast<char16_t>(cp));
        }
    }
    int Count() const { return m_count; }
    bool Overflowed() const { return m_overflow; }

private:
    void PutUnit(char16_t unit) {
        if (m_out) {
            if (m_count >= m_capacity) {
                m_overflow = true;
                return;
            }
            m_out[m_count] = unit;
        }
        ++m_count;
    }
    char16_t* m_out;
    int m_capacity;
    int m_count = 0;
    bool m_overflow = false;
};

// The decoder of the WHATWG Encoding Standard: every maximal subpart of an ill-formed
// sequence becomes one U+FFFD, which is what Windows does.
void DecodeUtf8(const unsigned char* p, const unsigned char* end, CWideSink& sink) {
    while (p < end) {
        const unsigned char lead = *p++;
        if (lead < 0x80) {
            sink.Put(lead);
            continue;
        }
        int needed;
        char32_t cp;
        unsigned char lower = 0x80, upper = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            needed = 1;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            needed = 2;
            cp = lead & 0x0F;
            if (lead == 0xE0) lower = 0xA0;
            if (lead == 0xED) upper = 0x9F;  // no surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            needed = 3;
            cp = lead & 0x07;
            if (lead == 0xF0) lower = 0x90;
            if (lead == 0xF4) upper = 0x8F;  // nothing above U+10FFFF
        } else {
            sink.Put(kReplacement);
            continue;
        }
        bool complete = true;
        for (int i = 0; i < needed; ++i) {
            if (p == end || *p < lower || *p > upper) {
                complete = false;  // the offending byte starts afresh
                break;
            }
            cp = (cp << 6) | (*p++ & 0x3F);
            lower = 0x80;
            upper = 0xBF;
        }
        sink.Put(complete ? cp : kReplacement);
    }
}

void DecodeCp1251(const unsigned char* p, const unsigned char* end, CWideSink& sink) {
    for (; p < end; ++p) {
        const unsigned char b = *p;
        if (b < 0x80)
            sink.Put(b);
        else if (b < 0xC0)
            sink.Put(kCp1251High[b - 0x80]);
        else
            sink.Put(static_cast<char32_t>(0x0410 + (b - 0xC0)));
    }
}

char g_ownModule;

}  // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* bytes, int byteCount,
                        Platform::WChar* wide, int wideCount) {
    if (!bytes || byteCount == 0 || byteCount < -1 || wideCount < 0 || (wideCount > 0 && !wide)) {
        t_lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    if (flags != 0) {
        t_lastError = ERROR_INVALID_FLAGS;
        return 0;
    }
    const auto* begin = reinterpret_cast<const unsigned char*>(bytes);
    const std::size_t length = byteCount == -1 ? std::strlen(bytes) + 1 : static_cast<std::size_t>(byteCount);
    CWideSink sink(wideCount > 0 ? wide : nullptr, wideCount);
    switch (codePage) {
    case CP_UTF8:
        DecodeUtf8(begin, begin + length, sink);
        break;
    case CP_ACP:
    case CP_THREAD_ACP:
    case 1251:
        DecodeCp1251(begin, begin + length, sink);
        break;
    default:
        t_lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    if (sink.Overflowed()) {
        t_lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    return sink.Count();
}

BSTR SysAllocStringLen(const Platform::WChar* text, UINT length) {
    const std::size_t bytes = std::size_t{length} * sizeof(Platform::WChar);
    if (bytes > 0xFFFFFFFFu - sizeof(std::uint32_t) - sizeof(Platform::WChar)) return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(sizeof(std::uint32_t) + bytes + sizeof(Platform::WChar)));
    if (!block) return nullptr;
    const auto prefix = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &prefix, sizeof prefix);
    auto* result = reinterpret_cast<BSTR>(block + sizeof prefix);
    if (text) std::memcpy(result, text, bytes);
    else std::memset(result, 0, bytes);
    result[length] = 0;
    return result;
}

BSTR SysAllocString(const Platform::WChar* text) {
    if (!text) return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(std::char_traits<Platform::WChar>::length(text)));
}

void SysFreeString(BSTR text) {
    if (text) std::free(reinterpret_cast<unsigned char*>(text) - sizeof(std::uint32_t));
}

UINT SysStringLen(BSTR text) {
    if (!text) return 0;
    std::uint32_t bytes;
    std::memcpy(&bytes, reinterpret_cast<unsigned char*>(text) - sizeof bytes, sizeof bytes);
    return bytes / sizeof(Platform::WChar);
}

// ---- Locks -----------------------------------------------------------------------------

void AcquireSRWLockExclusive(SRWLOCK* lock) { ::pthread_mutex_lock(&lock->mutex); }

void ReleaseSRWLockExclusive(SRWLOCK* lock) { ::pthread_mutex_unlock(&lock->mutex); }

HMODULE Platform::OwnModule() { return reinterpret_cast<HMODULE>(&g_ownModule); }
