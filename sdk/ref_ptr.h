// An owning pointer to a reference-counted host object: holds one reference and
// releases it when replaced or destroyed.
#pragma once

#include <utility>

#include "sdk/boundary.h"

namespace Plugin {

template <typename T>
class CRefPtr {
public:
    CRefPtr() = default;
    // A host object whose Release throws must not end the process: a destructor lets no
    // exception out, and this one often runs while another is already unwinding.
    ~CRefPtr() {
        Guarded([this] { Reset(); });
    }
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
