#include "host/property_view.h"

#include <memory>

#include "platform/win32.h"
#include "platform/utf.h"

namespace Host {

CRecordingPropertyView::~CRecordingPropertyView() {
    for (Plugin::IComboItem* item : keptItems) item->Release();
}

void CRecordingPropertyView::SetHeading(const Plugin::WChar* text) { headings.push_back(Platform::ToUtf8(text)); }

bool CRecordingPropertyView::AddComboProperty(std::int32_t index, bool flag, const Plugin::WChar* label,
                                              Plugin::IEnumerator<Plugin::IComboItem*>* items,
                                              std::int32_t currentValue) {
    ComboPropertySeen property{index, flag, Platform::ToUtf8(label), {}, currentValue};
    int position = 0;
    for (items->Reset(); items->HasCurrent(); items->MoveNext(), ++position) {
        Plugin::IComboItem* item = items->GetCurrent();
        // Ours to free, even when recording it runs out of memory.
        const std::unique_ptr<Plugin::WChar, decltype(&::SysFreeString)> text(item->GetText(), &::SysFreeString);
        property.choices.push_back(
            {item->GetValue(), text ? Platform::ToUtf8({text.get(), ::SysStringLen(text.get())}) : ""});
        if (position == keepItem) {
            item->AddRef();
            keptItems.push_back(item);
        }
    }
    properties.push_back(std::move(property));
    return true;
}

void CRecordingPropertyView::GetComboValue(std::int32_t index, std::int32_t* value) {
    const auto found = choices.find(index);
    if (found != choices.end()) *value = found->second;
}

std::string Describe(const CRecordingPropertyView& view) {
    std::string out;
    for (const std::string& heading : view.headings) out += heading + "\n";
    for (const ComboPropertySeen& property : view.properties) {
        out += "[" + std::to_string(property.index) + "] " + property.label + ":";
        for (const ComboChoiceSeen& choice : property.choices) {
            out += " " + std::to_string(choice.value) + "=" + choice.text;
            if (choice.value == property.currentValue) out += " (*)";
        }
        out += "\n";
    }
    return out;
}

}  // namespace Host
