#include "host/system_error.h"

#ifdef _WIN32
#include "platform/utf.h"
#include "platform/win32.h"
#else
#include <cerrno>
#include <cstring>
#endif

namespace Host {

#ifdef _WIN32

std::string SystemReason(unsigned long code, const std::string& subject) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring words = length && text ? std::wstring(text, length) : std::wstring();
    if (text) ::LocalFree(text);
    while (!words.empty() && (words.back() == L'\r' || words.back() == L'\n' || words.back() == L' ' || words.back() == L'.'))
        words.pop_back();
    if (words.empty()) return "error " + std::to_string(code);
    std::string reason = Platform::ToUtf8(words);
    for (std::size_t at; (at = reason.find("%1")) != std::string::npos;) reason.replace(at, 2, subject);
    return reason;
}

unsigned long LastSystemError() { return ::GetLastError(); }

#else

std::string SystemReason(unsigned long code, const std::string& /*subject*/) { return std::strerror(static_cast<int>(code)); }

unsigned long LastSystemError() { return static_cast<unsigned long>(errno); }

#endif

}  // namespace Host
