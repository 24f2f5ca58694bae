// Memory that grows with the file itself: the buffer its text is read into, the screen's
// outline of its records, and the trees RapidXML builds of it (the whole document, or one
// record at a time). When that runs out the file is too large for the memory left: that
// file alone is stopped, and the next one may well fit. Memory running out anywhere else
// is not the file's (see plugin/import.cpp).
#pragma once

#include <new>
#include <utility>

namespace Reader {

class CFileTooLarge : public std::bad_alloc {
public:
    const char* what() const noexcept override { return "the file does not fit in the memory left"; }
};

// Runs `allocate`, an allocation of the file's own that calls no host object, and makes its
// std::bad_alloc the file's: CFileTooLarge. A host object's failure must never pass
// through here, or it would be taken for the file's.
template <typename Allocate>
decltype(auto) FileMemory(Allocate&& allocate) {
    try {
        return std::forward<Allocate>(allocate)();
    } catch (const std::bad_alloc&) {
        throw CFileTooLarge();
    }
}

}  // namespace Reader
