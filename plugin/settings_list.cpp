// The three settings as combo properties in the host's property list view.
#include <vector>

#include "plugin/boundary.h"
#include "plugin/import_plugin.h"
#include "resources/resource_string.h"
#include "sdk/combo.h"

namespace Plugin {
namespace {

struct ComboChoice {
    std::int32_t value;
    WString text;
};

// The view takes its own reference to every item it keeps; ours go when this returns.
bool PublishCombo(IPropertyListView* view, std::int32_t index, bool flag, const WString& label,
                  const std::vector<ComboChoice>& choices, std::int32_t currentValue) {
    std::vector<IComboItem*> items;
    struct ReleaseItems {
        std::vector<IComboItem*>& items;
        ~ReleaseItems() {
            for (IComboItem* item : items) item->Release();
        }
    } releaseItems{items};

    items.reserve(choices.size());
    for (const ComboChoice& choice : choices) {
        auto* item = new Detail::CComboItem(choice.value, choice.text);
        item->AddRef();
        items.push_back(item);
    }
    CEnumeratorImpl<IComboItem*> enumerator(items);
    return view->AddComboProperty(index, flag, label.c_str(), &enumerator, currentValue);
}

}  // namespace

void CImportPluginImpl::InitializeView(IPropertyListView* view) {
    m_view = view;
    if (!m_view) return;
    Guarded([&] {
        using Resources::LoadText;
        m_view->SetHeading(LoadText(IDS_SETTINGS_HEADING).c_str());

        // Each property offers the value 1 first; its current value is the choice that
        // matches the flag. The flag argument means something to the view only; the
        // plug-in always passes true.
        std::vector<ComboChoice> choices{{1, LoadText(IDS_PRISM_CONSTANT_APPLY)},
                                         {0, LoadText(IDS_PRISM_CONSTANT_IGNORE)}};
        PublishCombo(m_view, 0, true, LoadText(IDS_PRISM_CONSTANT_LABEL), choices,
                     m_flags.ConsiderPrismConstant ? 1 : 0);

        choices = {{1, LoadText(IDS_SECTION_IMPORT)}, {0, LoadText(IDS_SECTION_SKIP)}};
        PublishCombo(m_view, 1, true, LoadText(IDS_FIELD_BOOK_LABEL), choices, m_flags.ParseFieldBookNode ? 1 : 0);
        PublishCombo(m_view, 2, true, LoadText(IDS_REDUCTIONS_LABEL), choices, m_flags.ParseReductionsNode ? 1 : 0);
    });
}

bool CImportPluginImpl::CanApplyChanges() { return true; }

bool CImportPluginImpl::CanCloseView() { return true; }

void CImportPluginImpl::ApplyChanges() {
    if (!m_view) return;  // no view was ever handed to us: nothing was chosen
    Guarded([&] {
        std::int32_t answer = 0;  // not reset between properties: a view that answers nothing repeats the last
        for (int index = 0; index < Reader::ImportFlags::kCount; ++index) {
            m_view->GetComboValue(index, &answer);
            m_flags.ByIndex(index) = answer == 1;
        }
    });
}

void CImportPluginImpl::CloseView() {}

}  // namespace Plugin
