// Where exceptions stop. A C++ exception thrown out of this library cannot be caught by a
// host built with another compiler: it would terminate the host. Every operation the
// host calls runs its body through Guarded, and a failure becomes the fallback result.
#pragma once

#include <type_traits>
#include <utility>

namespace Plugin {

template <typename Body>
void Guarded(Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (...) {
    }
}

template <typename Result, typename Body>
Result Guarded(Result fallback, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return fallback;
    }
}

}  // namespace Plugin
