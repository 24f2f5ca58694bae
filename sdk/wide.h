// Wide text as the host sees it: the system's UTF-16 texts, zero-terminated at the boundary.
#pragma once

#include "platform/wide.h"

namespace Plugin {

using WChar = Platform::WChar;
using WString = Platform::WString;
using WStringView = Platform::WStringView;

// Texts the plug-in returns to the host, allocated by SysAllocString and freed by the host.
using BSTR = WChar*;

}  // namespace Plugin
