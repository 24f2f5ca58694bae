// jxl-import's entry point: the command line in UTF-8, whatever the system.
#include <string>
#include <vector>

#include "tool/console.h"
#include "tool/jxl_import.h"
#include "platform/utf.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// `jxl-import *.jxl` in a Windows shell, which leaves patterns to the program.
extern "C" {
int _dowildcard = -1;
}

int wmain(int argc, wchar_t** argv) {
    Tool::PrepareStandardStreams();
    // The application runs where the ANSI code page is windows-1251, and the plug-in
    // decodes files declared windows-1251 by the calling thread's code page: give this
    // thread that code page, whatever the machine's language, as the Linux build has it.
    ::SetThreadLocale(MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA), SORT_DEFAULT));
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(Platform::ToUtf8(argv[i]));
    return Tool::RunJxlImport(args);
}

#else

int main(int argc, char** argv) {
    Tool::PrepareStandardStreams();
    return Tool::RunJxlImport(std::vector<std::string>(argv + 1, argv + argc));
}

#endif
