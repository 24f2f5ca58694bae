// The reference host's settings store, and the reader and writer handed to the plug-in.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "sdk/interfaces.h"

namespace Host {

// Keys in UTF-8, values as the host stores them: 32-bit integers.
class CSettingsStore {
public:
    std::map<std::string, std::int32_t> values;

    // Lines "Key=integer"; blank lines and lines starting with '#' are skipped. False,
    // with a reason, when the file cannot be read or a line is not of that form.
    bool Load(const std::string& path, std::string* error);
    // The same for a file's text already read; `name` starts the error.
    bool LoadText(const std::string& text, const std::string& name, std::string* error);
    bool Save(const std::string& path, std::string* error) const;
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
