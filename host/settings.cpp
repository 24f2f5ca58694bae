#include "host/settings.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>

#include "sdk/utf.h"

namespace Host {

bool CSettingsStore::Load(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in.is_open() || in.bad()) {
        *error = "cannot read settings file " + path;
        return false;
    }
    return LoadText(text, path, error);
}

bool CSettingsStore::LoadText(const std::string& text, const std::string& name, std::string* error) {
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::size_t equals = line.find('=');
        std::int32_t value = 0;
        const char* begin = equals == std::string::npos ? nullptr : line.data() + equals + 1;
        const char* end = line.data() + line.size();
        const auto parsed = begin ? std::from_chars(begin, end, value) : std::from_chars_result{end, std::errc::invalid_argument};
        if (equals == 0 || !begin || begin == end || parsed.ec != std::errc() || parsed.ptr != end) {
            *error = name + ":" + std::to_string(number) + ": expected Key=integer";
            return false;
        }
        values[line.substr(0, equals)] = value;
    }
    return true;
}

bool CSettingsStore::Save(const std::string& path, std::string* error) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const auto& [key, value] : values) out << key << '=' << value << '\n';
    out.flush();
    if (!out) {
        *error = "cannot write settings file " + path;
        return false;
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
