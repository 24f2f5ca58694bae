// A module's resources, as the string lookup reads them: on Windows the system's calls
// over the module's resource section; elsewhere stand-ins with the same names and results
// over the string table compiled into the library, laid out as the resource compiler lays
// out RT_STRING blocks.
#pragma once

#include "platform/win32.h"

#ifndef _WIN32

#include <cstdint>

struct HRSRC__;
using HRSRC = HRSRC__*;
using HGLOBAL = void*;

#define MAKEINTRESOURCEW(i) (reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(static_cast<WORD>(i))))
#define RT_STRING MAKEINTRESOURCEW(6)

// Only RT_STRING blocks of Platform::OwnModule(), language neutral (0) or Russian (1049).
HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language);
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
void* LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);

#endif
