#include "host/plugin_library.h"

#include "host/system_error.h"
#include "platform/utf.h"

#ifdef _WIN32
#include "platform/win32.h"
#else
#include <dlfcn.h>
#include <climits>
#include <unistd.h>
#endif

namespace Host {

#ifdef _WIN32

CPluginLibrary::~CPluginLibrary() {
    if (m_handle) ::FreeLibrary(static_cast<HMODULE>(m_handle));
}

bool CPluginLibrary::Load(const std::string& path, std::string* error) {
    // The file the path names from the current folder, as on Linux: LoadLibrary would look
    // for a relative path or a bare name along the system's search path, beside the
    // program first, where the default library lies.
    Plugin::WString wide = Platform::FromUtf8(path);
    const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    Plugin::WString full(size, L'\0');
    const DWORD length = size ? ::GetFullPathNameW(wide.c_str(), size, &full[0], nullptr) : 0;
    if (length > 0 && length < size) wide = full.substr(0, length);
    HMODULE module = ::LoadLibraryW(wide.c_str());
    if (!module) {
        // Words first: "error 126" alone tells a user nothing.
        const DWORD code = ::GetLastError();
        *error = "cannot load plug-in library " + path + ": " + SystemReason(code, "the library") + " (error " + std::to_string(code) + ")";
        return false;
    }
    auto create = reinterpret_cast<CreatePluginFunction>(reinterpret_cast<void*>(::GetProcAddress(module, "CreatePlugin")));
    if (!create) {
        ::FreeLibrary(module);
        *error = "plug-in library " + path + " has no CreatePlugin";
        return false;
    }
    m_handle = module;
    m_create = create;
    return true;
}

std::string CPluginLibrary::DefaultPath() {
    wchar_t buffer[32768];
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, 32768);
    Plugin::WString path(buffer, length);
    path.erase(path.find_last_of(L"\\/") + 1);
    return Platform::ToUtf8(path) + "jxlimport.dll";
}

#else

CPluginLibrary::~CPluginLibrary() {
    if (m_handle) ::dlclose(m_handle);
}

bool CPluginLibrary::Load(const std::string& path, std::string* error) {
    // A bare name would send dlopen searching the system's library path.
    const std::string name = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        // dlerror names the file before its reason; the message names it once.
        const char* said = ::dlerror();
        std::string reason = said ? said : "the system gives no reason";
        if (reason.rfind(name + ": ", 0) == 0) reason.erase(0, name.size() + 2);
        *error = "cannot load plug-in library " + path + ": " + reason;
        return false;
    }
    auto create = reinterpret_cast<CreatePluginFunction>(::dlsym(handle, "CreatePlugin"));
    if (!create) {
        ::dlclose(handle);
        *error = "plug-in library " + path + " has no CreatePlugin";
        return false;
    }
    m_handle = handle;
    m_create = create;
    return true;
}

std::string CPluginLibrary::DefaultPath() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    std::string folder = length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
    folder.erase(folder.find_last_of('/') + 1);
    // Beside the executable in a build tree; installed, the library has a folder of its
    // own under lib/ (/usr/bin/jxl-import, /usr/lib/jxl-import/), found relative to the
    // executable so that an unpacked package works wherever it lies.
    const std::string beside = folder + "libjxlimport.so";
    const std::string installed = folder + "../lib/jxl-import/libjxlimport.so";
    return ::access(beside.c_str(), F_OK) != 0 && ::access(installed.c_str(), F_OK) == 0 ? installed : beside;
}

#endif

}  // namespace Host
