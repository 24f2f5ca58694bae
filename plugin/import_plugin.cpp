#include "plugin/import_plugin.h"

#include "platform/win32.h"
#include "plugin/boundary.h"

namespace Plugin {
namespace {

constexpr GUID kPluginId = {0xAF194BB5, 0xF1AA, 0x46DC, {0xAA, 0xCB, 0x56, 0xDE, 0x17, 0x0D, 0x87, 0xDF}};

using Reader::ImportFlags;

const WChar* const kSettingKeys[ImportFlags::kCount] = {WIDE("ConsiderPrismConstant"), WIDE("ParseFieldBookNode"),
                                                       WIDE("ParseReductionsNode")};

}  // namespace

BSTR CImportPluginImpl::GetName() { return ::SysAllocString(WIDE("Trimble JobXML")); }

#if JXL_GETID_EXPLICIT_RESULT
GUID* CImportPluginImpl::GetId(GUID* result) {
    *result = kPluginId;
    return result;
}
#else
GUID CImportPluginImpl::GetId() { return kPluginId; }
#endif

std::int32_t CImportPluginImpl::GetFixedValue() { return 1; }

// A host that hands over no object gets nothing done rather than a crash.
void CImportPluginImpl::LoadSettings(ISettingsReader* reader) {
    if (!reader) return;
    Guarded([&] {
        // The default asked for is 1 whatever the flag holds now, and only a stored 1 is
        // true: a missing setting is on, a damaged one (2, -1) is off.
        for (int i = 0; i < ImportFlags::kCount; ++i) m_flags.ByIndex(i) = reader->ReadInt(kSettingKeys[i], 1) == 1;
    });
}

void CImportPluginImpl::SaveSettings(ISettingsWriter* writer) {
    if (!writer) return;
    Guarded([&] {
        for (int i = 0; i < ImportFlags::kCount; ++i) writer->WriteInt(kSettingKeys[i], m_flags.ByIndex(i) ? 1 : 0);
    });
}

IPropertyListViewController* CImportPluginImpl::GetPropertyListViewController() { return this; }

BSTR CImportPluginImpl::GetFileFilter() { return ::SysAllocString(WIDE("*.jxl")); }

BSTR CImportPluginImpl::GetFileFilterName() { return GetName(); }

}  // namespace Plugin
