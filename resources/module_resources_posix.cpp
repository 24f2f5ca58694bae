// The module's string table where there are no Windows resources: the texts of
// strings.rc, compiled in, handed out as the RT_STRING blocks Windows would hand out.
#include "resources/module_resources.h"

#include <map>
#include <string>
#include <vector>

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

struct ResourceBlock {
    std::vector<char16_t> data;
};

// Block n holds ids 16(n-1) to 16(n-1)+15, each a count followed by that many code units.
// Made on first use, not while the library loads.
const std::map<WORD, ResourceBlock>& StringBlocks() {
    static const std::map<WORD, ResourceBlock> blocks = [] {
        std::map<WORD, std::vector<const char16_t*>> texts;
        for (const auto& entry : kStringTable) {
            auto& slots = texts[static_cast<WORD>(entry.id / 16 + 1)];
            slots.resize(16, nullptr);
            slots[entry.id % 16] = entry.text;
        }
        std::map<WORD, ResourceBlock> result;
        for (const auto& [number, slots] : texts) {
            auto& data = result[number].data;
            for (const char16_t* text : slots) {
                const std::size_t length = text ? std::char_traits<char16_t>::length(text) : 0;
                data.push_back(static_cast<char16_t>(length));
                data.insert(data.end(), text, text + length);
            }
        }
        return result;
    }();
    return blocks;
}

bool IsIntResource(LPCWSTR name) { return reinterpret_cast<std::uintptr_t>(name) <= 0xFFFF; }

HRSRC FindStringBlock(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language) {
    if (module != Platform::OwnModule() || type != RT_STRING || !IsIntResource(name) ||
        (language != 0 && language != kStringTableLanguage)) {
        ::SetLastError(kResourceTypeNotFound);
        return nullptr;
    }
    const auto& blocks = StringBlocks();
    const auto found = blocks.find(static_cast<WORD>(reinterpret_cast<std::uintptr_t>(name)));
    if (found == blocks.end()) {
        ::SetLastError(kResourceNameNotFound);
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(const_cast<ResourceBlock*>(&found->second));
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
    return const_cast<char16_t*>(reinterpret_cast<const ResourceBlock*>(resource)->data.data());
}

void* LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE module, HRSRC resource) {
    if (!resource || module != Platform::OwnModule()) return 0;
    return static_cast<DWORD>(reinterpret_cast<const ResourceBlock*>(resource)->data.size() * sizeof(char16_t));
}
