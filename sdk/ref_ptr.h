// An owning pointer to a reference-counted host object: holds one reference and
// releases it when replaced or destroyed.
#pragma once

#include <utility>

namespace Plugin {

template <typename T>
class CRefPtr {
public:
    CRefPtr() = default;
    ~CRefPtr() { Reset(); }
    CRefPtr(const CRefPtr&) = delete;
    CRefPtr& operator=(const CRefPtr&) = delete;

    // Takes over a reference the caller already holds.
    void Attach(T* object) {
        Reset();
        m_object = object;
    }

    void Reset() {
        if (T* object = std::exchange(m_object, nullptr)) object->Release();
    }

    T* Get() const { return m_object; }
    T* operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

private:
    T* m_object = nullptr;
};

}  // namespace Plugin
