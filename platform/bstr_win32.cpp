#include "platform/bstr.h"

namespace Platform {
namespace {

using SysAllocStringFunction = BSTR(WINAPI*)(const OLECHAR*);

// OLEAUT32 is loaded when the first text is asked for, not with the plug-in: loading it
// brings user32, gdi32, ole32 and more with it, which an import never needs (under Wine
// some 50 ms for every process that loads the plug-in). A host that deals in BSTRs has
// it loaded already. It stays loaded: the host frees the texts with it.
SysAllocStringFunction LoadSysAllocString() {
    HMODULE library = ::LoadLibraryExW(L"oleaut32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!library) library = ::LoadLibraryW(L"oleaut32.dll");  // a system without that flag
    if (!library) return nullptr;
    return reinterpret_cast<SysAllocStringFunction>(
        reinterpret_cast<void*>(::GetProcAddress(library, "SysAllocString")));
}

}  // namespace

BSTR AllocateBstr(const WChar* text) {
    static const SysAllocStringFunction sysAllocString = LoadSysAllocString();
    return sysAllocString ? sysAllocString(reinterpret_cast<const OLECHAR*>(text)) : nullptr;
}

}  // namespace Platform
