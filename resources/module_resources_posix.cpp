// The module's string table where there are no Windows resources: the texts of
// strings.rc, compiled in, handed out as the RT_STRING blocks Windows would hand out.
#include "resources/module_resources.h"

#include <cstddef>
#include <iterator>

namespace {

struct StringTableEntry {
    unsigned id;
    const char16_t* text;
};

// Generated from strings.rc, the one source of the texts.
constexpr StringTableEntry kStringTable[] = {
#include "string_table.inc"
};
constexpr WORD kStringTableLanguage = 1049;

constexpr DWORD kResourceTypeNotFound = 1813;  // ERROR_RESOURCE_TYPE_NOT_FOUND
constexpr DWORD kResourceNameNotFound = 1814;  // ERROR_RESOURCE_NAME_NOT_FOUND

constexpr std::size_t kEntries = std::size(kStringTable);

constexpr std::size_t TextLength(const char16_t* text) {
    std::size_t length = 0;
    while (text[length] != 0) ++length;
    return length;
}

// Block n holds ids 16(n-1) to 16(n-1)+15, each a count followed by that many code units.
struct ResourceBlock {
    WORD number;
    std::size_t begin;  // in code units, into StringBlocks::data
    std::size_t units;
};

// At most one block per string, each with its 16 counts.
constexpr std::size_t MaxUnits() {
    std::size_t units = 0;
    for (const auto& entry : kStringTable) units += 16 + TextLength(entry.text);
    return units;
}

struct StringBlocks {
    ResourceBlock blocks[kEntries] = {};
    std::size_t count = 0;
    char16_t data[MaxUnits()] = {};
};

// Laid out by the compiler: a lookup allocates nothing, even the first one, which may come
// when memory has run out.
constexpr StringBlocks MakeStringBlocks() {
    StringBlocks result;
    std::size_t used = 0;
    for (const auto& entry : kStringTable) {
        const auto number = static_cast<WORD>(entry.id / 16 + 1);
        bool known = false;
        for (std::size_t b = 0; b < result.count; ++b) known = known || result.blocks[b].number == number;
        if (known) continue;
        ResourceBlock& block = result.blocks[result.count++];
        block.number = number;
        block.begin = used;
        for (unsigned slot = 0; slot < 16; ++slot) {
            const char16_t* text = nullptr;
            for (const auto& other : kStringTable)
                if (other.id == (number - 1u) * 16 + slot && !text) text = other.text;
            const std::size_t length = text ? TextLength(text) : 0;
            result.data[used++] = static_cast<char16_t>(length);
            for (std::size_t i = 0; i < length; ++i) result.data[used++] = text[i];
        }
        block.units = used - block.begin;
    }
    return result;
}

constexpr StringBlocks kStringBlocks = MakeStringBlocks();

bool IsIntResource(LPCWSTR name) { return reinterpret_cast<std::uintptr_t>(name) <= 0xFFFF; }

HRSRC FindStringBlock(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language) {
    if (module != Platform::OwnModule() || type != RT_STRING || !IsIntResource(name) ||
        (language != 0 && language != kStringTableLanguage)) {
        ::SetLastError(kResourceTypeNotFound);
        return nullptr;
    }
    const auto number = static_cast<WORD>(reinterpret_cast<std::uintptr_t>(name));
    for (std::size_t b = 0; b < kStringBlocks.count; ++b)
        if (kStringBlocks.blocks[b].number == number)
            return reinterpret_cast<HRSRC>(const_cast<ResourceBlock*>(&kStringBlocks.blocks[b]));
    ::SetLastError(kResourceNameNotFound);
    return nullptr;
}

}  // namespace

HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language) {
    return FindStringBlock(module, type, name, language);
}

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
    return FindStringBlock(module, type, name, 0);
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
    if (!resource || module != Platform::OwnModule()) return nullptr;
    return const_cast<char16_t*>(kStringBlocks.data + reinterpret_cast<const ResourceBlock*>(resource)->begin);
}

void* LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE module, HRSRC resource) {
    if (!resource || module != Platform::OwnModule()) return 0;
    return static_cast<DWORD>(reinterpret_cast<const ResourceBlock*>(resource)->units * sizeof(char16_t));
}
