#pragma once

namespace Reader {

// The user's three import settings. The parser reads them through a pointer while it walks.
struct ImportFlags {
    bool ConsiderPrismConstant = true;  // add the target's prism constant to measured distances
    bool ParseFieldBookNode = true;     // import the field book
    bool ParseReductionsNode = true;    // import the computed points

    // In the order of the settings keys and of the properties of the settings list.
    static constexpr int kCount = 3;
    bool& ByIndex(int index) {
        bool* const flags[kCount] = {&ConsiderPrismConstant, &ParseFieldBookNode, &ParseReductionsNode};
        return *flags[index];
    }
};

}  // namespace Reader
