#include "host/settings_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace Host {
namespace {

std::filesystem::path NativePath(const std::string& utf8) { return std::filesystem::u8path(utf8); }

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    std::error_code ignored;
    if (std::filesystem::is_directory(NativePath(path), ignored)) return false;
    std::ifstream in(NativePath(path), std::ios::binary);
    if (!in.is_open()) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

bool LoadSettingsFile(const std::string& path, bool missingIsEmpty, CSettingsStore* store, std::string* error) {
    std::error_code ignored;
    if (missingIsEmpty && !std::filesystem::exists(NativePath(path), ignored)) return true;
    std::string text;
    if (!ReadWholeFile(path, &text)) {
        *error = "cannot read settings file " + path;
        return false;
    }
    return store->LoadText(text, path, error);
}

bool SaveSettingsFile(const std::string& path, const CSettingsStore& store, std::string* error) {
    std::string original;
    std::error_code ignored;
    if (std::filesystem::exists(NativePath(path), ignored) && !ReadWholeFile(path, &original)) {
        *error = "cannot read settings file " + path;
        return false;
    }
    const std::string_view body = WithoutByteOrderMark(original);
    std::string text(original, 0, original.size() - body.size());
    std::set<std::string> written;
    std::istringstream lines{std::string(body)};
    for (std::string line; std::getline(lines, line);) {
        const bool crlf = !line.empty() && line.back() == '\r';
        if (crlf) line.pop_back();
        // A setting's line takes the stored value; one that already says it stays as it is.
        std::string_view key, shown;
        if (ReadSettingsLine(line, &key, &shown) == SettingsLine::Setting) {
            const auto stored = store.values.find(std::string(key));
            if (stored != store.values.end()) {
                const std::string value = std::to_string(stored->second);
                if (shown != value) line = stored->first + "=" + value;
                written.insert(stored->first);
            }
        }
        text += line + (crlf ? "\r\n" : "\n");
    }
    for (const auto& [key, value] : store.values) {
        if (!written.count(key)) text += key + "=" + std::to_string(value) + "\n";
    }
    std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
        *error = "cannot write settings file " + path;
        return false;
    }
    return true;
}

}  // namespace Host
