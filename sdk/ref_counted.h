// Reference counting helpers for objects handed to the host.
#pragma once

#include <atomic>
#include <cstdint>

#include "sdk/interfaces.h"

namespace Plugin {
namespace Detail {

template <bool ThreadSafe>
class CRefCountedBase;

// Interlocked: the host may take and drop references from any thread.
template <>
class CRefCountedBase<true> {
protected:
    std::int32_t Increment() noexcept { return m_count.fetch_add(1, std::memory_order_relaxed) + 1; }
    std::int32_t Decrement() noexcept { return m_count.fetch_sub(1, std::memory_order_acq_rel) - 1; }
    std::int32_t Count() const noexcept { return m_count.load(std::memory_order_relaxed); }

private:
    std::atomic<std::int32_t> m_count{0};
};

// Plain: for objects that live on one thread.
template <>
class CRefCountedBase<false> {
protected:
    std::int32_t Increment() noexcept { return ++m_count; }
    std::int32_t Decrement() noexcept { return --m_count; }
    std::int32_t Count() const noexcept { return m_count; }

private:
    std::int32_t m_count = 0;
};

}  // namespace Detail

// Implements AddRef and Release of I. The virtual destructor comes after every slot of I,
// so it shifts none of them.
template <typename I, bool ThreadSafe>
class CRefCountedImpl : public I, public Detail::CRefCountedBase<ThreadSafe> {
public:
    void AddRef() override { this->Increment(); }

    bool Release() override {
        if (this->Decrement() != 0) return false;
        delete this;
        return true;
    }

    virtual ~CRefCountedImpl() = default;
};

// The plug-in object's primary interface: ids 0, 1 and 2 all denote it.
template <typename I>
class CPluginImpl : public CRefCountedImpl<I, true> {
public:
    void* QueryInterface(std::int32_t id) override {
        if (id < 0 || id > 2) return nullptr;
        this->AddRef();
        return static_cast<I*>(this);
    }
};

}  // namespace Plugin
