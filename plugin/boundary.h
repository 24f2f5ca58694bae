// Where exceptions stop. A C++ exception thrown out of this library cannot be caught by a
// host built with another compiler: it would terminate the host. Every operation the
// host calls runs its body through Guarded, and a failure becomes the fallback result;
// Import runs its body through GuardedMessage and tells the host what stopped it.
#pragma once

#include <new>
#include <type_traits>
#include <utility>

#include "platform/error.h"
#include "platform/win32.h"
#include "resources/string_ids.h"

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

// Runs `body`; 0 when it returned, otherwise the string id of the message for what stopped
// it: memory exhausted (std::bad_alloc, or E_OUTOFMEMORY from the string lookup or the
// platform), or any other failure, whoever raised it.
template <typename Body>
unsigned GuardedMessage(Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
        return 0;
    } catch (const std::bad_alloc&) {
        return IDS_NOT_ENOUGH_MEMORY;
    } catch (const Platform::CHResultError& error) {
        return error.Code() == E_OUTOFMEMORY ? IDS_NOT_ENOUGH_MEMORY : IDS_IMPORT_INTERRUPTED;
    } catch (...) {
        return IDS_IMPORT_INTERRUPTED;
    }
}

}  // namespace Plugin
