#include "tool/formats.h"

#include "tool/item_fields.h"

namespace Tool {
namespace {

std::string JsonValue(const FieldValue& value) {
    struct {
        std::string operator()(double number) const { return Host::JsonNumber(number); }
        std::string operator()(bool flag) const { return flag ? "true" : "false"; }
        std::string operator()(int number) const { return std::to_string(number); }
        std::string operator()(const std::string& text) const { return Host::JsonString(text); }
    } visitor;
    return std::visit(visitor, value);
}

// One item on one line: only the values it was given.
std::string JsonItem(const ImportedItem& item) {
    std::string out = "{\"kind\":" + Host::JsonString(KindName(item.kind)) + ",\"name\":" + Host::JsonString(item.name);
    if (item.kind == ImportedItem::Kind::Observation)
        out += ",\"station\":" + (item.station ? Host::JsonString(*item.station) : std::string("null"));
    for (const ItemField& field : ItemFields()) {
        if (const auto value = field.read(item)) out += ",\"" + std::string(field.key) + "\":" + JsonValue(*value);
    }
    return out + "}";
}

template <typename T, typename Format>
std::string JsonList(const std::vector<T>& values, Format format) {
    std::string out = "[";
    for (std::size_t i = 0; i < values.size(); ++i) out += (i ? ", " : "") + format(values[i]);
    return out + "]";
}

std::string JsonFile(const ImportedFile& file) {
    std::string out = "    {\n";
    out += "      \"path\": " + Host::JsonString(file.path) + ",\n";
    out += "      \"result\": " + (file.result ? std::to_string(*file.result) : std::string("null")) + ",\n";
    out += "      \"messages\": " + JsonList(file.messages, Host::JsonString) + ",\n";
    out += "      \"progress\": " + JsonList(file.progress, Host::JsonNumber) + ",\n";
    out += "      \"items\": [";
    for (std::size_t i = 0; i < file.items.size(); ++i) out += (i ? ",\n        " : "\n        ") + JsonItem(file.items[i]);
    out += file.items.empty() ? "]\n" : "\n      ]\n";
    return out + "    }";
}

}  // namespace

std::string FormatJson(const std::vector<ImportedFile>& files) {
    std::string out = "{\n  \"files\": [";
    for (std::size_t i = 0; i < files.size(); ++i) out += (i ? ",\n" : "\n") + JsonFile(files[i]);
    out += files.empty() ? "]\n" : "\n  ]\n";
    return out + "}\n";
}

}  // namespace Tool
