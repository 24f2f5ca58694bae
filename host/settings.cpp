#include "host/settings.h"

#include "platform/utf.h"

namespace Host {

std::int32_t CSettingsReader::ReadInt(const Plugin::WChar* key, std::int32_t defaultValue) {
    const std::string name = Platform::ToUtf8(key);
    calls.push_back(name + " " + std::to_string(defaultValue));
    const auto found = m_store.values.find(name);
    return found == m_store.values.end() ? defaultValue : found->second;
}

bool CSettingsWriter::WriteInt(const Plugin::WChar* key, std::int32_t value) {
    const std::string name = Platform::ToUtf8(key);
    calls.push_back(name + "=" + std::to_string(value));
    m_store.values[name] = value;
    return true;
}

}  // namespace Host
