// An owning pointer to a reference-counted object: holds one reference and releases it
// when replaced or destroyed.
#pragma once

#include <utility>

namespace Plugin {

template <typename T>
class CRefPtr {
public:
    CRefPtr() = default;
    // Takes over a reference the caller already holds.
    explicit CRefPtr(T* object) : m_object(object) {}
    CRefPtr(CRefPtr&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    CRefPtr& operator=(CRefPtr&& other) noexcept {
        if (this != &other) {
            ReleaseQuietly();
            m_object = std::exchange(other.m_object, nullptr);
        }
        return *this;
    }
    CRefPtr(const CRefPtr&) = delete;
    CRefPtr& operator=(const CRefPtr&) = delete;
    ~CRefPtr() { ReleaseQuietly(); }

    // Takes over a reference the caller already holds.
    void Attach(T* object) {
        Reset();
        m_object = object;
    }

    // Gives up the reference to the caller.
    T* Detach() { return std::exchange(m_object, nullptr); }

    void Reset() {
        if (T* object = std::exchange(m_object, nullptr)) object->Release();
    }

    T* Get() const { return m_object; }
    T* operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

private:
    // The objects are the host's, and a host's Release may throw. A destructor lets no
    // exception out: it often runs while another one is already unwinding.
    void ReleaseQuietly() noexcept {
        try {
            Reset();
        } catch (...) {
        }
    }

    T* m_object = nullptr;
};

}  // namespace Plugin
