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

// The key of a line "Key=…", or empty for a comment, a blank line or anything else.
std::string KeyOf(const std::string& line) {
    if (line.empty() || line[0] == '#') return {};
    const std::size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(0, equals);
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
    std::string text;
    std::set<std::string> written;
    std::istringstream lines(original);
    for (std::string line; std::getline(lines, line);) {
        const bool crlf = !line.empty() && line.back() == '\r';
        if (crlf) line.pop_back();
        const std::string key = KeyOf(line);
        const auto value = store.values.find(key);
        if (!key.empty() && value != store.values.end()) {
            line = key + "=" + std::to_string(value->second);
            written.insert(key);
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
