#include "host/settings.h"

#include <charconv>

#include "sdk/utf.h"

namespace Host {

namespace {

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

}  // namespace

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

bool CSettingsStore::LoadText(std::string_view text, const std::string& name, std::string* error) {
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
        values[std::string(key)] = value;
    }
    return true;
}

std::int32_t CSettingsReader::ReadInt(const Plugin::WChar* key, std::int32_t defaultValue) {
    const std::string name = Plugin::ToUtf8(key);
    calls.push_back(name + " " + std::to_string(defaultValue));
    const auto found = m_store.values.find(name);
    return found == m_store.values.end() ? defaultValue : found->second;
}

bool CSettingsWriter::WriteInt(const Plugin::WChar* key, std::int32_t value) {
    const std::string name = Plugin::ToUtf8(key);
    calls.push_back(name + "=" + std::to_string(value));
    m_store.values[name] = value;
    return true;
}

}  // namespace Host
