// The plug-in's texts, loaded afresh from its string table on every use.
#pragma once

#include <cstddef>

#include "sdk/wide.h"

namespace Plugin {

// Fills `target` with string `id` and returns true; returns false and leaves `target`
// alone when the table has no such string or it is empty.
bool LoadResourceString(WString& target, unsigned id);

// Locates entry `index` of an RT_STRING block of `size` bytes. Never reads outside the
// block, whatever it holds.
bool FindStringInBlock(const void* block, std::size_t size, unsigned index, const WChar** text,
                       std::size_t* length);

}  // namespace Plugin
