// Plays, for each file, the calls its name asks for:
//   stop-memory    SetResult(-1) and the message of memory exhausted; the next file follows
//   stop-internal  SetResult(-1) and the message of an internal failure; the import ends
//   end-inside     a station opened, and the import ends there, without a message
//   loose          a value sent before any item is open, then a station
//   anything else  a clean import of one station
#include <string>

#include "platform/win32.h"
#include "sdk/interfaces.h"
#include "sdk/ref_counted.h"

#ifdef _WIN32
#define JXL_EXPORT __declspec(dllexport)
#else
#define JXL_EXPORT __attribute__((visibility("default")))
#endif

namespace {

class CScriptedPlugin final : public Plugin::CPluginImpl<Plugin::IGroundBasedMIP> {
public:
    Plugin::BSTR GetName() override { return ::SysAllocString(WIDE("Scripted")); }
#if JXL_GETID_EXPLICIT_RESULT
    GUID* GetId(GUID* result) override {
        *result = {};
        return result;
    }
#else
    GUID GetId() override { return {}; }
#endif
    std::int32_t GetFixedValue() override { return 0; }
    void LoadSettings(Plugin::ISettingsReader*) override {}
    void SaveSettings(Plugin::ISettingsWriter*) override {}
    Plugin::IPropertyListViewController* GetPropertyListViewController() override { return nullptr; }
    Plugin::BSTR GetFileFilter() override { return ::SysAllocString(WIDE("*.jxl")); }
    Plugin::BSTR GetFileFilterName() override { return ::SysAllocString(WIDE("Scripted")); }

    void Import(Plugin::IFileList* files, Plugin::IImportReceiver* receiver) override {
        for (files->Reset(); files->HasCurrent(); files->MoveNext()) {
            const Plugin::WString path = files->GetCurrent();
            const auto asks = [&](const Plugin::WChar* word) { return path.find(word) != Plugin::WString::npos; };
            receiver->BeginFile(path.c_str());
            if (asks(WIDE("stop-memory"))) {
                receiver->SetResult(-1);
                receiver->ShowMessage(WIDE("Недостаточно памяти для импорта файла"));
                continue;
            }
            if (asks(WIDE("stop-internal"))) {
                receiver->SetResult(-1);
                receiver->ShowMessage(WIDE("Импорт файла прерван из-за внутренней ошибки"));
                return;
            }
            if (asks(WIDE("end-inside"))) {
                receiver->SetProgress(50);
                receiver->AddStation(WIDE("S1"));
                return;
            }
            receiver->SetProgress(50);
            if (asks(WIDE("loose"))) receiver->SetNorth(1.5);
            receiver->AddStation(WIDE("S1"));
            receiver->SetInstrumentHeight(1.5);
            receiver->SetProgress(100);
        }
    }
};

}  // namespace

extern "C" JXL_EXPORT Plugin::IGroundBasedMIP* CreatePlugin() {
    auto* plugin = new CScriptedPlugin();
    plugin->AddRef();
    return plugin;
}
