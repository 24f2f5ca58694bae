// The reference host's settings store, and the reader and writer handed to the plug-in.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "sdk/interfaces.h"

namespace Host {

// Keys in UTF-8, values as the host stores them: 32-bit integers.
struct CSettingsStore {
    std::map<std::string, std::int32_t> values;
};

// Answers from the store; records every key it is asked for.
class CSettingsReader final : public Plugin::ISettingsReader {
public:
    explicit CSettingsReader(const CSettingsStore& store) : m_store(store) {}

    void Reserved0() override {}
    std::int32_t ReadInt(const Plugin::WChar* key, std::int32_t defaultValue) override;

    // "Key default" per call, in call order.
    std::vector<std::string> calls;

private:
    const CSettingsStore& m_store;
};

class CSettingsWriter final : public Plugin::ISettingsWriter {
public:
    explicit CSettingsWriter(CSettingsStore& store) : m_store(store) {}

    void Reserved0() override {}
    bool WriteInt(const Plugin::WChar* key, std::int32_t value) override;

    // "Key=value" per call, in call order.
    std::vector<std::string> calls;

private:
    CSettingsStore& m_store;
};

}  // namespace Host
