#include "tool/settings_file.h"

#include <charconv>
#include <set>

#include "tool/files.h"

namespace Tool {
namespace {

// One line of a settings file: blank or a comment ('#' or ';'), a setting "Key=value" (its
// key and value with the blanks around them taken off, and a '#' or ';' comment after the
// value set aside), an INI file's "[Section]" heading, or none of these.
enum class SettingsLine { Skipped, Setting, Section, Malformed };

struct SettingParts {
    std::string_view key, value;
    std::string_view comment;  // from its '#' or ';' to the end of the line, or empty
};

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

SettingsLine ReadSettingsLine(std::string_view line, SettingParts* parts) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = Trimmed(line);
    if (line.empty() || line[0] == '#' || line[0] == ';') return SettingsLine::Skipped;
    const std::size_t equals = line.find('=');
    if (line.front() == '[' && line.back() == ']' && equals == std::string_view::npos) {
        parts->key = line;
        return SettingsLine::Section;
    }
    if (equals == std::string_view::npos) return SettingsLine::Malformed;
    parts->key = Trimmed(line.substr(0, equals));
    std::string_view value = line.substr(equals + 1);
    const std::size_t comment = value.find_first_of("#;");
    parts->comment = comment == std::string_view::npos ? std::string_view() : value.substr(comment);
    parts->value = Trimmed(value.substr(0, comment));
    return parts->key.empty() ? SettingsLine::Malformed : SettingsLine::Setting;
}

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string KnownKeys() {
    std::string keys;
    for (const std::string& key : PluginSettingsKeys()) keys += (keys.empty() ? "" : ", ") + key;
    return " (the plug-in reads " + keys + ", each 1 for on or 0 for off)";
}

// What the plug-in will make of a line that it may not read as its writer meant.
std::string Doubt(std::string_view key, std::int32_t value) {
    for (const std::string& known : PluginSettingsKeys()) {
        if (key == known) {
            if (value == 0 || value == 1) return {};
            return std::string(key) + "=" + std::to_string(value) + " is read as off: the plug-in takes any value other than 1 for off";
        }
    }
    for (const std::string& known : PluginSettingsKeys()) {
        if (SameLetters(key, known))
            return "'" + std::string(key) + "' is not read: keys are matched in their exact letter case, as " + known;
    }
    return "unknown key '" + std::string(key) + "' is not read";
}

bool LoadSettingsText(std::string_view text, const std::string& name, Host::CSettingsStore* store,
                      std::vector<std::string>* warnings, std::string* error) {
    text = WithoutByteOrderMark(text);
    for (int number = 1; !text.empty(); ++number) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);

        SettingParts parts;
        const SettingsLine kind = ReadSettingsLine(line, &parts);
        if (kind == SettingsLine::Skipped) continue;
        const std::string where = name + ":" + std::to_string(number) + ": ";
        if (kind == SettingsLine::Section) {
            // The plug-in's settings have no sections: a heading copied from an INI file
            // changes nothing, and the keys under it are read as any others.
            warnings->push_back(where + "'" + std::string(parts.key) +
                                "' is not read: the settings file has no sections, the keys after it are read as any others");
            continue;
        }
        std::int32_t value = 0;
        if (kind != SettingsLine::Setting || !ParseInt(parts.value, &value)) {
            *error = where + "expected Key=integer, such as " + PluginSettingsKeys().front() + "=0";
            return false;
        }
        const std::string doubt = Doubt(parts.key, value);
        if (!doubt.empty()) warnings->push_back(where + doubt + KnownKeys());
        store->values[std::string(parts.key)] = value;
    }
    return true;
}

}  // namespace

const std::vector<std::string>& PluginSettingsKeys() {
    static const std::vector<std::string> keys = {"ConsiderPrismConstant", "ParseFieldBookNode", "ParseReductionsNode"};
    return keys;
}

bool LoadSettingsFile(const std::string& path, bool missingIsEmpty, Host::CSettingsStore* store,
                      std::vector<std::string>* warnings, std::string* error) {
    if (missingIsEmpty && !PathExists(path)) return true;
    std::string text, reason;
    if (!ReadWholeFile(path, &text, &reason)) {
        *error = "cannot read settings file " + reason;
        return false;
    }
    return LoadSettingsText(text, path, store, warnings, error);
}

bool SaveSettingsFile(const std::string& path, const Host::CSettingsStore& store, std::string* error) {
    std::string original, reason;
    if (PathExists(path) && !ReadWholeFile(path, &original, &reason)) {
        *error = "cannot read settings file " + reason;
        return false;
    }
    const std::string_view body = WithoutByteOrderMark(original);
    std::string text(original, 0, original.size() - body.size());
    std::set<std::string> written;
    for (std::string_view rest = body; !rest.empty();) {
        const std::size_t end = rest.find('\n');
        std::string line(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const bool crlf = !line.empty() && line.back() == '\r';
        if (crlf) line.pop_back();
        // A setting's line takes the stored value; one that already says it stays as it is.
        SettingParts parts;
        if (ReadSettingsLine(line, &parts) == SettingsLine::Setting) {
            const auto stored = store.values.find(std::string(parts.key));
            if (stored != store.values.end()) {
                const std::string value = std::to_string(stored->second);
                if (parts.value != value)
                    line = stored->first + "=" + value + (parts.comment.empty() ? "" : " " + std::string(parts.comment));
                written.insert(stored->first);
            }
        }
        text += line + (crlf ? "\r\n" : "\n");
    }
    for (const auto& [key, value] : store.values) {
        if (!written.count(key)) text += key + "=" + std::to_string(value) + "\n";
    }
    COutputFile file;
    if (!file.OpenReplacing(path, &reason) || !file.Write(text.data(), text.size(), &reason) || !file.Commit(&reason)) {
        *error = "cannot write settings file " + reason;
        return false;
    }
    return true;
}

}  // namespace Tool
