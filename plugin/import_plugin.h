// The plug-in object the host drives: identity, settings, the settings list and the import.
#pragma once

#include "reader/import_flags.h"
#include "sdk/ref_counted.h"

namespace Plugin {

class CImportPluginImpl : public CPluginImpl<IGroundBasedMIP>, public IPropertyListViewController {
public:
    // IPlugin
    BSTR GetName() override;
#if JXL_GETID_EXPLICIT_RESULT
    GUID* GetId(GUID* result) override;
#else
    GUID GetId() override;
#endif
    std::int32_t GetFixedValue() override;
    void LoadSettings(ISettingsReader* reader) override;
    void SaveSettings(ISettingsWriter* writer) override;
    IPropertyListViewController* GetPropertyListViewController() override;

    // IFileImportPlugin
    BSTR GetFileFilter() override;
    BSTR GetFileFilterName() override;
    void Import(IFileList* files, IImportReceiver* receiver) override;

    // IPropertyListViewController
    void InitializeView(IPropertyListView* view) override;
    bool CanApplyChanges() override;
    bool CanCloseView() override;
    void ApplyChanges() override;
    void CloseView() override;

private:
    void ImportFile(const WString& path, IImportReceiver* receiver);

    IPropertyListView* m_view = nullptr;  // the host's; never released
    Reader::ImportFlags m_flags;
};

}  // namespace Plugin
