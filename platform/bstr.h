// Texts the plug-in hands the host as BSTRs: its name, its file pattern, the settings
// list's items.
#pragma once

#include "platform/win32.h"

namespace Platform {

// SysAllocString's BSTR of `text`, or null when there is no memory for it (or no text).
BSTR AllocateBstr(const WChar* text);

}  // namespace Platform
