// A property list view that records what the plug-in publishes into it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "sdk/interfaces.h"

namespace Host {

struct ComboChoiceSeen {
    std::int32_t value;
    std::string text;  // UTF-8
};

struct ComboPropertySeen {
    std::int32_t index;
    bool flag;
    std::string label;  // UTF-8
    std::vector<ComboChoiceSeen> choices;
    std::int32_t currentValue;
};

class CRecordingPropertyView final : public Plugin::IPropertyListView {
public:
    ~CRecordingPropertyView();

    void SetHeading(const Plugin::WChar* text) override;
    void Reserved1() override {}
    bool AddComboProperty(std::int32_t index, bool flag, const Plugin::WChar* label,
                          Plugin::IEnumerator<Plugin::IComboItem*>* items, std::int32_t currentValue) override;
    void Reserved3() override {}
    void Reserved4() override {}
    void Reserved5() override {}
    void GetComboValue(std::int32_t index, std::int32_t* value) override;

    // What the view shows.
    std::vector<std::string> headings;
    std::vector<ComboPropertySeen> properties;

    // The user's choice per property index; GetComboValue leaves the answer alone for
    // an index without one.
    std::map<std::int32_t, std::int32_t> choices;

    // Keep a reference to the item at this position of every property published (as a
    // view that shows items after AddComboProperty returns would); -1 keeps none.
    int keepItem = -1;
    std::vector<Plugin::IComboItem*> keptItems;  // released when the view goes
};

// The view as text: heading, then each property with its label, choices and current value.
std::string Describe(const CRecordingPropertyView& view);

}  // namespace Host
