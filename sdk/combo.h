// Combo items and the enumerator that hands them to the host's property list view.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32.h"
#include "sdk/ref_counted.h"

namespace Plugin {
namespace Detail {

class CComboItem final : public CRefCountedImpl<IComboItem, false> {
public:
    CComboItem(std::int32_t value, WString text) : m_value(value), m_text(std::move(text)) {}

    std::int32_t GetValue() override { return m_value; }
    BSTR GetText() override { return ::SysAllocString(m_text.c_str()); }

private:
    std::int32_t m_value;
    WString m_text;
};

}  // namespace Detail

// Walks a vector it does not own. No reference is taken on the elements.
template <typename T>
class CEnumeratorImpl final : public IEnumerator<T> {
public:
    explicit CEnumeratorImpl(const std::vector<T>& items) : m_position(items.data()), m_items(&items) {}

    bool HasCurrent() override { return m_position != End(); }
    void MoveNext() override {
        if (m_position != End()) ++m_position;
    }
    // Past the end there is no element to read: a view that asks anyway gets none.
    T GetCurrent() override { return m_position != End() ? *m_position : T{}; }
    void Reset() override { m_position = m_items->data(); }

private:
    const T* End() const { return m_items->data() + m_items->size(); }

    const T* m_position;
    const std::vector<T>* m_items;
};

}  // namespace Plugin
