#include "resources/resource_string.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "platform/error.h"
#include "resources/module_resources.h"

namespace Resources {
namespace {

using Platform::WChar;

// Modules searched for resources, in order. The plug-in adds none of its own, so the
// list holds the library's module alone; it is recorded when the library loads, in
// storage of its own: nothing is allocated while a host loads the library.
//
// A list of one that never changes needs no lock today. It keeps one because the list is
// the place where modules are added (a resource-only satellite library, say), and the
// lookup runs on whichever thread the host calls from: the lock is what makes adding one
// later safe, at the cost of an uncontended lock per text. It is the system's slim lock,
// which takes nothing from the heap and cannot fail: the message that memory has run out
// must still find its text.
class CResourceModules {
public:
    CResourceModules() noexcept : m_modules{Platform::OwnModule()}, m_count(1) {}

    HMODULE Get(std::size_t index) noexcept {
        ::AcquireSRWLockExclusive(&m_lock);
        HMODULE module = index < m_count ? m_modules[index] : nullptr;
        ::ReleaseSRWLockExclusive(&m_lock);
        return module;
    }

private:
    SRWLOCK m_lock = SRWLOCK_INIT;
    HMODULE m_modules[1];
    std::size_t m_count;
};

CResourceModules g_resourceModules;

bool LocateString(HMODULE module, HRSRC resource, unsigned index, const WChar** text, std::size_t* length) noexcept {
    const HGLOBAL loaded = ::LoadResource(module, resource);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) return false;
    return FindStringInBlock(data, ::SizeofResource(module, resource), index, text, length);
}

// Where string `id` lies in the module's resources: false when the table has none.
bool FindText(unsigned id, const WChar** text, std::size_t* length) noexcept {
    const auto block = static_cast<WORD>(id / 16 + 1);
    const unsigned index = id % 16;

    // First the module: the first of the list whose table has the block, in any language
    // (0 leaves the choice of language version to the system), with the string in it.
    HMODULE module = nullptr;
    for (std::size_t i = 0;; ++i) {
        HMODULE candidate = g_resourceModules.Get(i);
        if (!candidate) return false;
        const HRSRC found = ::FindResourceExW(candidate, RT_STRING, MAKEINTRESOURCEW(block), 0);
        if (found && LocateString(candidate, found, index, text, length)) {
            module = candidate;
            break;
        }
    }

    // Then the text itself, looked up once more in the chosen module with the plain call,
    // which picks the language version the way the system does for the thread. The two
    // lookups can find different versions of the block where a module carries several
    // languages, and the text must come from the second.
    const HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(block), RT_STRING);
    return found && LocateString(module, found, index, text, length);
}

}  // namespace

bool FindStringInBlock(const void* block, std::size_t size, unsigned index, const WChar** text,
                       std::size_t* length) {
    // Entries are a 16-bit count and that many code units. The block comes from the
    // module's resources, but a damaged one must not make us read past its end.
    const auto* bytes = static_cast<const unsigned char*>(block);
    const std::size_t units = size / sizeof(WChar);
    std::size_t position = 0;
    auto countAt = [bytes](std::size_t unit) {
        std::uint16_t count;
        std::memcpy(&count, bytes + unit * sizeof(WChar), sizeof count);
        return count;
    };
    for (unsigned skipped = 0; skipped < index; ++skipped) {
        if (position >= units) return false;
        position += 1 + std::size_t{countAt(position)};
    }
    if (position >= units) return false;
    const std::size_t count = countAt(position);
    if (count == 0 || count > units - position - 1) return false;
    *text = reinterpret_cast<const WChar*>(bytes + (position + 1) * sizeof(WChar));
    *length = count;
    return true;
}

bool LoadResourceString(Platform::WString& target, unsigned id) {
    const WChar* text = nullptr;
    std::size_t length = 0;
    if (!FindText(id, &text, &length)) return false;
    try {
        target.assign(text, length);
    } catch (const std::bad_alloc&) {
        throw Platform::CHResultError(E_OUTOFMEMORY);
    }
    return true;
}

bool LoadMessage(WChar (&buffer)[kMessageCapacity], unsigned id) noexcept {
    buffer[0] = 0;
    const WChar* text = nullptr;
    std::size_t length = 0;
    if (!FindText(id, &text, &length)) return false;
    if (length >= kMessageCapacity) return false;
    std::memcpy(buffer, text, length * sizeof(WChar));
    buffer[length] = 0;
    return true;
}

Platform::WString LoadText(unsigned id) {
    Platform::WString text;
    LoadResourceString(text, id);
    return text;
}

}  // namespace Resources
