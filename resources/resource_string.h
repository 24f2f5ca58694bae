// The plug-in's texts, loaded afresh from its string table on every use.
#pragma once

#include <cstddef>

#include "platform/wide.h"
#include "resources/string_ids.h"

namespace Resources {

// Fills `target` with string `id` (one of string_ids.h) and returns true; returns false
// and leaves `target` alone when the table has no such string or it is empty. Throws
// Platform::CHResultError(E_OUTOFMEMORY) when there is no memory for the text.
bool LoadResourceString(Platform::WString& target, unsigned id);

// The text of string `id`, or the empty text when the table has none: a missing text
// shows as an empty one.
Platform::WString LoadText(unsigned id);

// Room for any message of the table, with its terminator.
constexpr std::size_t kMessageCapacity = 64;

// Copies message `id` into `buffer`, terminated, without allocating anything: for the
// message that must still reach the host when memory has run out. Returns false and leaves
// the empty text when the table has no such string, or one that does not fit.
bool LoadMessage(Platform::WChar (&buffer)[kMessageCapacity], unsigned id) noexcept;

// Locates entry `index` of an RT_STRING block of `size` bytes. Never reads outside the
// block, whatever it holds.
bool FindStringInBlock(const void* block, std::size_t size, unsigned index, const Platform::WChar** text,
                       std::size_t* length);

}  // namespace Resources
