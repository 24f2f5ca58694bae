#include "platform/long_path.h"

#include <optional>
#include <vector>

namespace Platform {
namespace {

bool IsSeparator(WChar c) { return c == '\\' || c == '/'; }
bool IsLetter(WChar c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
WChar Upper(WChar c) { return c >= 'a' && c <= 'z' ? static_cast<WChar>(c - 'a' + 'A') : c; }

// A full path taken apart: "C:" or "\\server\share", and what lies below it.
struct Rooted {
    WString root;
    WString below;  // from its first separator on, or empty
    bool unc = false;
};

// `\\?\`, `\\.\`, `//?/`, `\??\`: paths the system takes as they are.
bool IsDevicePath(WStringView path) {
    if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && (path[2] == '?' || path[2] == '.') &&
        IsSeparator(path[3]))
        return true;
    return path.size() >= 4 && path.substr(0, 4) == WIDE("\\??\\");
}

// A drive path "C:\..." or a UNC path "\\server\share\...", or nothing.
std::optional<Rooted> SplitFull(WStringView path) {
    if (path.size() >= 3 && IsLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]))
        return Rooted{WString(path.substr(0, 2)), WString(path.substr(2)), false};
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsDevicePath(path)) {
        std::size_t i = 2;
        const std::size_t server = i;
        while (i < path.size() && !IsSeparator(path[i])) ++i;
        const WStringView serverName = path.substr(server, i - server);
        while (i < path.size() && IsSeparator(path[i])) ++i;
        const std::size_t share = i;
        while (i < path.size() && !IsSeparator(path[i])) ++i;
        const WStringView shareName = path.substr(share, i - share);
        if (serverName.empty() || shareName.empty()) return std::nullopt;
        WString root = WIDE("\\\\");
        root.append(serverName).append(1, WChar('\\')).append(shareName);
        return Rooted{std::move(root), WString(path.substr(i)), true};
    }
    return std::nullopt;
}

// The current directory as a plain full path: its device form, if it has one, undone.
std::optional<Rooted> SplitCurrentDirectory(WStringView directory) {
    if (directory.substr(0, 8) == WIDE("\\\\?\\UNC\\")) {
        WString plain = WIDE("\\\\");
        plain.append(directory.substr(8));
        return SplitFull(plain);
    }
    if (directory.substr(0, 4) == WIDE("\\\\?\\")) directory.remove_prefix(4);
    if (directory.size() == 2 && IsLetter(directory[0]) && directory[1] == ':') return Rooted{WString(directory), {}, false};
    return SplitFull(directory);
}

// The path completed into a full path, not yet normalised.
std::optional<Rooted> Complete(WStringView path, WStringView currentDirectory) {
    if (std::optional<Rooted> full = SplitFull(path)) return full;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return std::nullopt;  // a UNC path cut short
    std::optional<Rooted> current = SplitCurrentDirectory(currentDirectory);
    if (!current) return std::nullopt;
    if (path.size() >= 2 && IsLetter(path[0]) && path[1] == ':') {
        // "C:jobs": relative to the current folder of drive C, known here only for the
        // current directory's own drive.
        if (current->unc || Upper(path[0]) != Upper(current->root[0])) return std::nullopt;
        path.remove_prefix(2);
    } else if (!path.empty() && IsSeparator(path[0])) {
        current->below = path;  // "\jobs": from the root of the current drive or share
        return current;
    }
    current->below.append(1, WChar('\\')).append(path);
    return current;
}

// CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9 (with the superscript digits), CONIN$,
// CONOUT$, in any case, with any extension or stream and trailing blanks: names that
// Windows opens as devices in any folder.
bool IsDeviceName(WStringView name) {
    const std::size_t end = name.find_first_of(WIDE(".:"));
    if (end != WStringView::npos) name = name.substr(0, end);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    WString upper;
    for (const WChar c : name) upper += Upper(c);
    for (const WStringView device : {WIDE("CON"), WIDE("PRN"), WIDE("AUX"), WIDE("NUL"), WIDE("CONIN$"), WIDE("CONOUT$")})
        if (upper == device) return true;
    if (upper.size() != 4 || (upper.compare(0, 3, WIDE("COM")) != 0 && upper.compare(0, 3, WIDE("LPT")) != 0))
        return false;
    const WChar digit = upper[3];
    return (digit >= '1' && digit <= '9') || digit == 0x00B9 || digit == 0x00B2 || digit == 0x00B3;
}

WStringView LastName(WStringView path) {
    const std::size_t last = path.find_last_of(WIDE("\\/"));
    if (last != WStringView::npos) return path.substr(last + 1);
    if (path.size() >= 2 && IsLetter(path[0]) && path[1] == ':') return path.substr(2);
    return path;
}

bool OnlyDots(WStringView name) { return name.find_first_not_of(WChar('.')) == WStringView::npos; }

// What lies below the root as Windows normalises it: "\a\b", or "\" for the root itself.
// Nothing for the few forms it would turn into names no plain path can reach.
std::optional<WString> Normalise(WStringView below) {
    std::vector<WString> names;
    std::size_t i = 0;
    while (i < below.size()) {
        while (i < below.size() && IsSeparator(below[i])) ++i;
        const std::size_t start = i;
        while (i < below.size() && !IsSeparator(below[i])) ++i;
        if (i == start) break;
        WString name(below.substr(start, i - start));
        if (name == WIDE(".")) continue;
        if (name == WIDE("..")) {
            if (!names.empty()) names.pop_back();  // never above the drive or the share
            continue;
        }
        const bool last = i == below.size();
        if (last) {
            while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
        } else if (name.back() == '.') {
            name.pop_back();  // a folder's trailing dot
        }
        // "..." and the like, or a last name of only dots and blanks: left to the system.
        if (name.empty() || OnlyDots(name)) return std::nullopt;
        names.push_back(std::move(name));
    }
    WString result;
    for (const WString& name : names) result.append(1, WChar('\\')).append(name);
    if (names.empty() || (!below.empty() && IsSeparator(below.back()))) result += WChar('\\');
    return result;
}

}  // namespace

WString LongPathForm(WStringView path, WStringView currentDirectory) {
    const WString asGiven(path);
    if (path.empty() || IsDevicePath(path) || IsDeviceName(LastName(path))) return asGiven;
    const std::optional<Rooted> full = Complete(path, currentDirectory);
    if (!full) return asGiven;
    const std::optional<WString> below = Normalise(full->below);
    if (!below) return asGiven;
    if (full->root.size() + below->size() + 1 <= kMaxPlainPath) return asGiven;

    WString prefixed = full->unc ? WString(WIDE("\\\\?\\UNC")) + full->root.substr(1) : WIDE("\\\\?\\") + full->root;
    return prefixed + *below;
}

}  // namespace Platform
