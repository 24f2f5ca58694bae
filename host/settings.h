// The reference host's settings store, and the reader and writer handed to the plug-in.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/interfaces.h"

namespace Host {

// Keys in UTF-8, values as the host stores them: 32-bit integers.
class CSettingsStore {
public:
    std::map<std::string, std::int32_t> values;

    // Lines "Key=integer", blanks allowed around key and value; blank lines and lines
    // starting with '#' or ';' are skipped, and so is a UTF-8 byte order mark. False, with
    // "name:line: ..." as the reason, when a line is not of that form.
    bool LoadText(std::string_view text, const std::string& name, std::string* error);
};

// One line of a settings file: blank or a comment ('#' or ';'), a setting "Key=value" (its
// key and value with the blanks around them taken off), or neither.
enum class SettingsLine { Skipped, Setting, Malformed };
SettingsLine ReadSettingsLine(std::string_view line, std::string_view* key, std::string_view* value);

// Where a settings file's lines start: after its UTF-8 byte order mark, if it has one.
std::string_view WithoutByteOrderMark(std::string_view text);

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
