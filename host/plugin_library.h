// Loads the plug-in library and finds CreatePlugin, as a host application does.
#pragma once

#include <string>

#include "sdk/interfaces.h"

namespace Host {

class CPluginLibrary {
public:
    CPluginLibrary() = default;
    ~CPluginLibrary();
    CPluginLibrary(const CPluginLibrary&) = delete;
    CPluginLibrary& operator=(const CPluginLibrary&) = delete;

    // `path` in UTF-8. False, with a one-line reason, when the library cannot be loaded or
    // lacks CreatePlugin.
    bool Load(const std::string& path, std::string* error);

    CreatePluginFunction CreatePlugin() const { return m_create; }

    // The plug-in library beside this executable (or test); on Linux, when there is none
    // beside it, the one installed for it in ../lib/jxl-import/.
    static std::string DefaultPath();

private:
    void* m_handle = nullptr;
    CreatePluginFunction m_create = nullptr;
};

}  // namespace Host
