// The Windows calls the plug-in makes. On Windows they are the system's own; elsewhere
// small stand-ins with the same names, results and error codes, so that the code that
// uses them is one piece of code on both systems.
#pragma once

#include "platform/wide.h"

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <oleauto.h>

#else

#include <cstdint>

#include <pthread.h>

using DWORD = std::uint32_t;
using UINT = unsigned int;
using WORD = std::uint16_t;
using HRESULT = std::int32_t;
using LPCWSTR = const Platform::WChar*;
using BSTR = Platform::WChar*;  // OLE automation's string

struct HINSTANCE__;
using HMODULE = HINSTANCE__*;

constexpr UINT CP_ACP = 0;
constexpr UINT CP_THREAD_ACP = 3;
constexpr UINT CP_UTF8 = 65001;

constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_INVALID_FLAGS = 1004;

constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000EU);

inline HRESULT HRESULT_FROM_WIN32(DWORD error) {
    return error == 0 ? 0 : static_cast<HRESULT>((error & 0x0000FFFFU) | 0x80070000U);
}

DWORD GetLastError();
void SetLastError(DWORD error);

// UTF-8 as Windows decodes it (each maximal invalid subpart becomes U+FFFD), and
// windows-1251 for the ANSI code pages.
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* bytes, int byteCount,
                        Platform::WChar* wide, int wideCount);

// BSTR: a 32-bit byte length in front of the text, a zero terminator behind it.
BSTR SysAllocString(const Platform::WChar* text);
BSTR SysAllocStringLen(const Platform::WChar* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);

// A slim lock, taken exclusively: here a mutex, initialised statically like Windows' own,
// so that neither takes anything from the heap.
struct SRWLOCK {
    pthread_mutex_t mutex;
};
#define SRWLOCK_INIT {PTHREAD_MUTEX_INITIALIZER}
void AcquireSRWLockExclusive(SRWLOCK* lock);
void ReleaseSRWLockExclusive(SRWLOCK* lock);

#endif

namespace Platform {

// The module this code is linked into: the library, or an executable that links the code
// directly. Its resources hold the string table.
HMODULE OwnModule();

}  // namespace Platform
