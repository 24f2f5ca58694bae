// The error that carries an HRESULT out of a failed platform call.
#pragma once

#include <cstdint>
#include <exception>

namespace Platform {

class CHResultError : public std::exception {
public:
    explicit CHResultError(std::int32_t hr) : m_hr(hr) {}
    std::int32_t Code() const noexcept { return m_hr; }
    const char* what() const noexcept override { return "platform call failed"; }

private:
    std::int32_t m_hr;
};

}  // namespace Platform
