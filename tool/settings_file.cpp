#include "tool/settings_file.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace Tool {
namespace {

// One line of a settings file: blank or a comment ('#' or ';'), a setting "Key=value" (its
// key and value with the blanks around them taken off), or neither.
enum class SettingsLine { Skipped, Setting, Malformed };

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// An integer as people write it: "+1" as well as "1".
bool ParseInt(std::string_view text, std::int32_t* value) {
    if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), *value);
    return parsed.ec == std::errc() && parsed.ptr == text.data() + text.size();
}

std::string_view WithoutByteOrderMark(std::string_view text) {
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    return text.substr(0, kMark.size()) == kMark ? text.substr(kMark.size()) : text;
}

SettingsLine ReadSettingsLine(std::string_view line, std::string_view* key, std::string_view* value) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = Trimmed(line);
    if (line.empty() || line[0] == '#' || line[0] == ';') return SettingsLine::Skipped;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return SettingsLine::Malformed;
    *key = Trimmed(line.substr(0, equals));
    *value = Trimmed(line.substr(equals + 1));
    return key->empty() ? SettingsLine::Malformed : SettingsLine::Setting;
}

bool LoadSettingsText(std::string_view text, const std::string& name, Host::CSettingsStore* store, std::string* error) {
    text = WithoutByteOrderMark(text);
    for (int number = 1; !text.empty(); ++number) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);

        std::string_view key, digits;
        const SettingsLine kind = ReadSettingsLine(line, &key, &digits);
        if (kind == SettingsLine::Skipped) continue;
        std::int32_t value = 0;
        if (kind != SettingsLine::Setting || !ParseInt(digits, &value)) {
            *error = name + ":" + std::to_string(number) + ": expected Key=integer";
            return false;
        }
        store->values[std::string(key)] = value;
    }
    return true;
}

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

bool LoadSettingsFile(const std::string& path, bool missingIsEmpty, Host::CSettingsStore* store, std::string* error) {
    std::error_code ignored;
    if (missingIsEmpty && !std::filesystem::exists(NativePath(path), ignored)) return true;
    std::string text;
    if (!ReadWholeFile(path, &text)) {
        *error = "cannot read settings file " + path;
        return false;
    }
    return LoadSettingsText(text, path, store, error);
}

bool SaveSettingsFile(const std::string& path, const Host::CSettingsStore& store, std::string* error) {
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

}  // namespace Tool
