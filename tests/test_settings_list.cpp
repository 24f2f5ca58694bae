// The three settings as the host's property list shows them, and back into the flags.
#include <gtest/gtest.h>

#include "host/property_view.h"
#include "host/settings.h"
#include "platform/win32.h"
#include "support.h"

namespace {

using Host::CRecordingPropertyView;
using Support::SavedSettings;

Support::PluginPtr PluginWith(const std::map<std::string, std::int32_t>& stored) {
    Support::PluginPtr plugin = Support::CreatePlugin();
    Host::CSettingsStore store{stored};
    Host::CSettingsReader reader(store);
    plugin->LoadSettings(&reader);
    return plugin;
}

TEST(SettingsList, PublishesHeadingLabelsChoicesAndCurrentValues) {
    const struct {
        const char* behaviour;
        std::map<std::string, std::int32_t> stored;
        const char* shown;
    } cases[] = {
        {"all flags on", {}, R"(Настройка
[0] Постоянная призмы: 1=Учитывать (*) 0=Не учитывать
[1] Раздел Полевой журнал: 1=Импортировать (*) 0=Не импортировать
[2] Раздел Вычисленные данные: 1=Импортировать (*) 0=Не импортировать
)"},
        {"field book off", {{"ParseFieldBookNode", 0}}, R"(Настройка
[0] Постоянная призмы: 1=Учитывать (*) 0=Не учитывать
[1] Раздел Полевой журнал: 1=Импортировать 0=Не импортировать (*)
[2] Раздел Вычисленные данные: 1=Импортировать (*) 0=Не импортировать
)"},
        {"prism constant and reductions off",
         {{"ConsiderPrismConstant", 0}, {"ParseReductionsNode", 0}}, R"(Настройка
[0] Постоянная призмы: 1=Учитывать 0=Не учитывать (*)
[1] Раздел Полевой журнал: 1=Импортировать (*) 0=Не импортировать
[2] Раздел Вычисленные данные: 1=Импортировать 0=Не импортировать (*)
)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        Support::PluginPtr plugin = PluginWith(c.stored);
        CRecordingPropertyView view;
        plugin->GetPropertyListViewController()->InitializeView(&view);
        EXPECT_EQ(Host::Describe(view), c.shown);
        ASSERT_EQ(view.properties.size(), 3u);
        for (const Host::ComboPropertySeen& property : view.properties) {
            EXPECT_TRUE(property.flag);
            ASSERT_EQ(property.choices.size(), 2u);
            EXPECT_EQ(property.choices[0].value, 1);
            EXPECT_EQ(property.choices[1].value, 0);
        }
    }
}

// A view that works the items and their enumerator over while AddComboProperty runs.
class CProbingView final : public Plugin::IPropertyListView {
public:
    void SetHeading(const Plugin::WChar*) override {}
    void Reserved1() override {}
    void Reserved3() override {}
    void Reserved4() override {}
    void Reserved5() override {}
    void GetComboValue(std::int32_t, std::int32_t*) override {}

    bool AddComboProperty(std::int32_t, bool, const Plugin::WChar*, Plugin::IEnumerator<Plugin::IComboItem*>* items,
                          std::int32_t) override {
        EXPECT_TRUE(items->HasCurrent());  // starts on the first item
        Plugin::IComboItem* first = items->GetCurrent();
        items->MoveNext();
        Plugin::IComboItem* second = items->GetCurrent();
        items->MoveNext();
        EXPECT_FALSE(items->HasCurrent());
        items->MoveNext();  // at the end it stays there
        EXPECT_FALSE(items->HasCurrent());
        items->Reset();
        EXPECT_TRUE(items->HasCurrent());
        EXPECT_EQ(items->GetCurrent(), first);
        EXPECT_EQ(first->GetValue(), 1);
        EXPECT_EQ(second->GetValue(), 0);

        Plugin::BSTR text = first->GetText();
        Plugin::BSTR again = first->GetText();
        EXPECT_NE(text, again);  // a new string each call, owned by the caller
        EXPECT_EQ(::SysStringLen(text), ::SysStringLen(again));
        EXPECT_EQ(Plugin::WStringView(text), Plugin::WStringView(again));
        ::SysFreeString(text);
        ::SysFreeString(again);

        // The plug-in holds one reference while the call runs; keep one of our own.
        second->AddRef();
        EXPECT_FALSE(second->Release());
        second->AddRef();
        kept.push_back(second);
        return false;  // the answer is the view's business
    }

    std::vector<Plugin::IComboItem*> kept;
};

TEST(SettingsList, ItemsTheViewKeepsOutliveThePublishing) {
    Support::PluginPtr plugin = Support::CreatePlugin();
    CProbingView view;
    plugin->GetPropertyListViewController()->InitializeView(&view);
    ASSERT_EQ(view.kept.size(), 3u);
    for (Plugin::IComboItem* item : view.kept) {
        EXPECT_EQ(item->GetValue(), 0);
        Plugin::BSTR text = item->GetText();
        EXPECT_GT(::SysStringLen(text), 0u);
        ::SysFreeString(text);
        EXPECT_TRUE(item->Release());  // ours was the only reference left
    }
}

TEST(SettingsList, ChoicesBecomeTheFlags) {
    const struct {
        std::map<std::int32_t, std::int32_t> answers;
        std::vector<std::string> saved;
    } cases[] = {
        {{{0, 1}, {1, 0}, {2, 1}},
         {"ConsiderPrismConstant=1", "ParseFieldBookNode=0", "ParseReductionsNode=1"}},
        {{{0, -1}, {1, 2}, {2, 0}},
         {"ConsiderPrismConstant=0", "ParseFieldBookNode=0", "ParseReductionsNode=0"}},
        // A view that answers nothing for a property leaves the last answer standing.
        {{{0, 0}, {1, 1}}, {"ConsiderPrismConstant=0", "ParseFieldBookNode=1", "ParseReductionsNode=1"}},
    };
    for (const auto& c : cases) {
        Support::PluginPtr plugin = PluginWith({{"ParseReductionsNode", 0}});
        Plugin::IPropertyListViewController* controller = plugin->GetPropertyListViewController();
        CRecordingPropertyView view;
        controller->InitializeView(&view);
        view.choices = c.answers;
        EXPECT_EQ(SavedSettings(plugin.Get())[2], "ParseReductionsNode=0");  // nothing changes before ApplyChanges
        controller->ApplyChanges();
        EXPECT_EQ(SavedSettings(plugin.Get()), c.saved);
    }
}

TEST(SettingsList, ChoicesReachTheNextImport) {
    Support::PluginPtr plugin = Support::CreatePlugin();
    Plugin::IPropertyListViewController* controller = plugin->GetPropertyListViewController();
    CRecordingPropertyView view;
    controller->InitializeView(&view);
    view.choices = {{0, 1}, {1, 0}, {2, 0}};
    controller->ApplyChanges();

    CRecordingPropertyView again;
    controller->InitializeView(&again);
    EXPECT_EQ(again.properties.at(1).currentValue, 0);
    EXPECT_EQ(again.properties.at(2).currentValue, 0);
}

TEST(SettingsList, ASecondViewGetsTheListAgain) {
    Support::PluginPtr plugin = Support::CreatePlugin();
    Plugin::IPropertyListViewController* controller = plugin->GetPropertyListViewController();
    CRecordingPropertyView first;
    CRecordingPropertyView second;
    controller->InitializeView(&first);
    controller->InitializeView(&second);
    EXPECT_EQ(Host::Describe(first), Host::Describe(second));

    first.choices = {{0, 0}, {1, 0}, {2, 0}};
    second.choices = {{0, 1}, {1, 1}, {2, 0}};
    controller->ApplyChanges();  // asks the view it was given last
    EXPECT_EQ(SavedSettings(plugin.Get()),
              (std::vector<std::string>{"ConsiderPrismConstant=1", "ParseFieldBookNode=1", "ParseReductionsNode=0"}));
}

TEST(SettingsList, OtherControllerOperations) {
    Support::PluginPtr plugin = Support::CreatePlugin();
    Plugin::IPropertyListViewController* controller = plugin->GetPropertyListViewController();
    EXPECT_TRUE(controller->CanApplyChanges());
    EXPECT_TRUE(controller->CanCloseView());
    controller->CloseView();
    controller->ApplyChanges();  // before any view: nothing to read, nothing changes
    EXPECT_EQ(SavedSettings(plugin.Get()),
              (std::vector<std::string>{"ConsiderPrismConstant=1", "ParseFieldBookNode=1", "ParseReductionsNode=1"}));
}

}  // namespace
