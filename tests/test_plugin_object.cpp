// The plug-in object as the host meets it: identity, reference counts, settings.
#include <gtest/gtest.h>

#include <cstring>

#include "host/settings.h"
#include "platform/utf.h"
#include "platform/win32.h"
#include "support.h"

namespace {

using Support::CreatePlugin;

// Counts by the answer of Release: false until the last reference goes.
int ReleaseAll(Plugin::IGroundBasedMIP* plugin) {
    int releases = 1;
    while (!plugin->Release()) ++releases;
    return releases;
}

std::string Text(Plugin::BSTR text) { return Platform::ToUtf8({text, ::SysStringLen(text)}); }

TEST(PluginObject, NewObjectHoldsOneReference) {
    Plugin::IGroundBasedMIP* plugin = Support::CreatePlugin().Detach();
    ASSERT_NE(plugin, nullptr);
    EXPECT_TRUE(plugin->Release());
}

TEST(PluginObject, LastReleaseDestroys) {
    Plugin::IGroundBasedMIP* plugin = Support::CreatePlugin().Detach();
    plugin->AddRef();
    EXPECT_FALSE(plugin->Release());
    EXPECT_TRUE(plugin->Release());
}

TEST(PluginObject, QueryInterfaceKnowsIdsZeroToTwo) {
    Plugin::IGroundBasedMIP* plugin = Support::CreatePlugin().Detach();
    for (std::int32_t id : {0, 1, 2}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(plugin->QueryInterface(id), static_cast<void*>(plugin));
    }
    for (std::int32_t id : {3, -1, 0x7FFFFFFF}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(plugin->QueryInterface(id), nullptr);
    }
    EXPECT_EQ(ReleaseAll(plugin), 4);  // CreatePlugin's and the three answered queries
}

TEST(PluginObject, ObjectsShareNothing) {
    Support::PluginPtr first = CreatePlugin();
    Support::PluginPtr second = CreatePlugin();
    EXPECT_NE(first.Get(), second.Get());
    Host::CSettingsStore store{{{"ConsiderPrismConstant", 0}}};
    Host::CSettingsReader reader(store);
    first->LoadSettings(&reader);

    EXPECT_EQ(Support::SavedSettings(second.Get())[0], "ConsiderPrismConstant=1");
}

TEST(PluginObject, NameAndFilterAreNewStrings) {
    Support::PluginPtr plugin = CreatePlugin();
    Plugin::BSTR name = plugin->GetName();
    Plugin::BSTR again = plugin->GetName();
    Plugin::BSTR filterName = plugin->GetFileFilterName();
    Plugin::BSTR filter = plugin->GetFileFilter();

    EXPECT_EQ(Text(name), "Trimble JobXML");
    EXPECT_EQ(::SysStringLen(name), 14u);
    EXPECT_EQ(name[14], 0);
    EXPECT_EQ(Text(filterName), "Trimble JobXML");
    EXPECT_EQ(Text(filter), "*.jxl");
    EXPECT_EQ(::SysStringLen(filter), 5u);
    EXPECT_NE(name, again);
    EXPECT_NE(name, filterName);

    for (Plugin::BSTR text : {name, again, filterName, filter}) ::SysFreeString(text);
}

TEST(PluginObject, IdentifierAndFixedValue) {
    Support::PluginPtr plugin = CreatePlugin();
    const GUID id = Plugin::GetPluginId(plugin.Get());
    const unsigned char expected[16] = {0xB5, 0x4B, 0x19, 0xAF, 0xAA, 0xF1, 0xDC, 0x46,
                                        0xAA, 0xCB, 0x56, 0xDE, 0x17, 0x0D, 0x87, 0xDF};
    EXPECT_EQ(std::memcmp(&id, expected, 16), 0);
    EXPECT_EQ(plugin->GetFixedValue(), 1);
}

TEST(PluginObject, ControllerIsTheObjectsOwn) {
    Plugin::IGroundBasedMIP* plugin = Support::CreatePlugin().Detach();
    Plugin::IPropertyListViewController* controller = plugin->GetPropertyListViewController();
    ASSERT_NE(controller, nullptr);
    EXPECT_NE(static_cast<void*>(controller), static_cast<void*>(plugin));
    EXPECT_EQ(plugin->GetPropertyListViewController(), controller);
    EXPECT_TRUE(plugin->Release());  // no reference was taken for it
}

struct SettingsCase {
    const char* name;
    std::map<std::string, std::int32_t> stored;
    const char* saved;  // the three values SaveSettings writes back, in key order
};

TEST(PluginObject, SettingsAreExactlyOneForTrue) {
    const SettingsCase cases[] = {
        {"nothing stored: every default", {}, "1 1 1"},
        {"all off", {{"ConsiderPrismConstant", 0}, {"ParseFieldBookNode", 0}, {"ParseReductionsNode", 0}}, "0 0 0"},
        {"2 and -1 are not 1", {{"ConsiderPrismConstant", 2}, {"ParseFieldBookNode", -1}}, "0 0 1"},
        {"one key off", {{"ParseReductionsNode", 0}}, "1 1 0"},
        {"other keys ignored", {{"considerprismconstant", 0}, {"Other", 0}}, "1 1 1"},
    };
    for (const SettingsCase& c : cases) {
        SCOPED_TRACE(c.name);
        Support::PluginPtr plugin = CreatePlugin();
        Host::CSettingsStore store{c.stored};
        Host::CSettingsReader reader(store);
        plugin->LoadSettings(&reader);
        EXPECT_EQ(reader.calls, (std::vector<std::string>{"ConsiderPrismConstant 1", "ParseFieldBookNode 1",
                                                          "ParseReductionsNode 1"}));

        const std::vector<std::string> saved = Support::SavedSettings(plugin.Get());
        std::string values;
        for (const std::string& call : saved) values += (values.empty() ? "" : " ") + call.substr(call.find('=') + 1);
        EXPECT_EQ(values, c.saved);
        ASSERT_EQ(saved.size(), 3u);
        EXPECT_EQ(saved[0].rfind("ConsiderPrismConstant=", 0), 0u);
        EXPECT_EQ(saved[1].rfind("ParseFieldBookNode=", 0), 0u);
        EXPECT_EQ(saved[2].rfind("ParseReductionsNode=", 0), 0u);
    }
}

TEST(PluginObject, LoadingAgainStartsFromTheDefaults) {
    Support::PluginPtr plugin = CreatePlugin();
    Host::CSettingsStore off{{{"ConsiderPrismConstant", 0}, {"ParseFieldBookNode", 0}, {"ParseReductionsNode", 0}}};
    Host::CSettingsReader offReader(off);
    plugin->LoadSettings(&offReader);
    Host::CSettingsStore empty;
    Host::CSettingsReader emptyReader(empty);
    plugin->LoadSettings(&emptyReader);  // the default passed is 1, whatever the flag held

    EXPECT_EQ(Support::SavedSettings(plugin.Get()),
              (std::vector<std::string>{"ConsiderPrismConstant=1", "ParseFieldBookNode=1", "ParseReductionsNode=1"}));
}

// A host that hands over a null object gets nothing done, never a crash.
TEST(PluginObject, NullHostObjectsAreIgnored) {
    Support::PluginPtr plugin = Support::CreatePlugin();
    plugin->LoadSettings(nullptr);
    plugin->SaveSettings(nullptr);
    plugin->Import(nullptr, nullptr);
    Plugin::IPropertyListViewController* controller = plugin->GetPropertyListViewController();
    controller->InitializeView(nullptr);
    controller->ApplyChanges();

    EXPECT_EQ(Support::SavedSettings(plugin.Get()),
              (std::vector<std::string>{"ConsiderPrismConstant=1", "ParseFieldBookNode=1", "ParseReductionsNode=1"}));
}

}  // namespace
