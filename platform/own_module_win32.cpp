#include "platform/win32.h"

// The linker's symbol for the start of this module's image: the DLL when built into the
// plug-in, the executable when a test links the code directly.
extern "C" IMAGE_DOS_HEADER __ImageBase;

HMODULE Platform::OwnModule() { return reinterpret_cast<HMODULE>(&__ImageBase); }
