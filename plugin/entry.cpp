#include <new>

#include "plugin/import_plugin.h"

#ifdef _WIN32
#define JXL_EXPORT __declspec(dllexport)
#else
#define JXL_EXPORT __attribute__((visibility("default")))
#endif

// Null only when the object cannot be allocated: an exception must not reach the host.
extern "C" JXL_EXPORT Plugin::IGroundBasedMIP* CreatePlugin() {
    auto* plugin = new (std::nothrow) Plugin::CImportPluginImpl();
    if (!plugin) return nullptr;
    plugin->AddRef();
    return plugin;
}
