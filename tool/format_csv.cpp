#include "tool/formats.h"

#include "tool/item_fields.h"

namespace Tool {
namespace {

// RFC 4180: a field with a comma, quote or line break is quoted, quotes doubled. Blanks at
// either end are quoted too, so that spreadsheets keep them.
std::string CsvField(const std::string& text) {
    const bool blankEdge = !text.empty() && (text.front() == ' ' || text.back() == ' ');
    if (!blankEdge && text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string CsvValue(const FieldValue& value) {
    struct {
        std::string operator()(double number) const { return ShortestNumber(number); }
        std::string operator()(bool flag) const { return flag ? "true" : "false"; }
        std::string operator()(int number) const { return std::to_string(number); }
        std::string operator()(const std::string& text) const { return CsvField(text); }
    } visitor;
    return std::visit(visitor, value);
}

void AddRow(std::string& out, const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) out += (i ? "," : "") + cells[i];
    out += "\r\n";
}

}  // namespace

std::string FormatCsv(const std::vector<ImportedFile>& files) {
    std::string out;
    std::vector<std::string> header = {"file", "kind", "name", "station"};
    for (const ItemField& field : ItemFields()) header.push_back(field.key);
    AddRow(out, header);
    for (const ImportedFile& file : files) {
        for (const ImportedItem& item : file.items) {
            std::vector<std::string> cells = {CsvField(file.path), KindName(item.kind), CsvField(item.name),
                                              item.station ? CsvField(*item.station) : ""};
            for (const ItemField& field : ItemFields()) {
                const auto value = field.read(item);
                cells.push_back(value ? CsvValue(*value) : "");
            }
            AddRow(out, cells);
        }
    }
    return out;
}

}  // namespace Tool
