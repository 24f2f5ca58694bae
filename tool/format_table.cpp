#include "tool/formats.h"

#include <cstdio>
#include <map>

#include "tool/item_fields.h"

namespace Tool {
namespace {

// Columns count characters, not bytes: every UTF-8 lead byte is one.
std::size_t Width(const std::string& text) {
    std::size_t width = 0;
    for (const char c : text) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return width;
}

// A text as a person can see it: quoted, with escapes, when blanks at its ends or control
// characters would otherwise hide in the table.
std::string Visible(const std::string& text) {
    bool plain = !text.empty() && text.front() != ' ' && text.back() != ' ';
    for (const char c : text) plain = plain && static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
    return plain ? text : Host::JsonString(text);
}

std::string Fixed(double value, int decimals) {
    const std::string shortest = ShortestNumber(value);
    if (shortest == "nan" || shortest == "inf" || shortest == "-inf") return shortest;
    char text[512];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Cell(const FieldValue& value, int decimals) {
    if (const double* number = std::get_if<double>(&value)) return Fixed(*number, decimals);
    if (const bool* flag = std::get_if<bool>(&value)) return *flag ? "yes" : "no";
    if (const int* face = std::get_if<int>(&value)) return std::to_string(*face);
    return Visible(std::get<std::string>(value));
}

struct Column {
    std::string heading;
    bool rightAligned;
    std::vector<std::string> cells;  // one per item
    std::size_t width = 0;
};

std::vector<Column> Columns(const ImportedFile& file) {
    std::vector<Column> columns = {{"Item", false, {}}, {"Name", false, {}}};
    for (const ImportedItem& item : file.items) {
        const bool observation = item.kind == ImportedItem::Kind::Observation;
        columns[0].cells.push_back((observation ? "  " : "") + std::string(KindName(item.kind)));
        columns[1].cells.push_back(Visible(item.name));
    }
    for (const ItemField& field : ItemFields()) {
        if (!field.heading) continue;
        Column column{field.heading, true, {}};
        bool used = false;
        for (const ImportedItem& item : file.items) {
            const auto value = field.read(item);
            used = used || value.has_value();
            column.cells.push_back(value ? Cell(*value, field.decimals) : "");
            if (value && std::holds_alternative<std::string>(*value)) column.rightAligned = false;
        }
        if (used) columns.push_back(std::move(column));
    }
    for (Column& column : columns) {
        column.width = Width(column.heading);
        for (const std::string& cell : column.cells) column.width = std::max(column.width, Width(cell));
    }
    return columns;
}

std::string Row(const std::vector<Column>& columns, const std::vector<std::string>& cells) {
    std::string line = "  ";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const std::string padding(columns[i].width - Width(cells[i]), ' ');
        line += i ? "  " : "";
        line += columns[i].rightAligned ? padding + cells[i] : cells[i] + padding;
    }
    line.erase(line.find_last_not_of(' ') + 1);
    return line + "\n";
}

std::string Singular(ImportedItem::Kind kind) {
    return kind == ImportedItem::Kind::None ? "item of values sent with no item open" : KindName(kind);
}

std::string Counts(const ImportedFile& file) {
    std::map<ImportedItem::Kind, int> counts;
    for (const ImportedItem& item : file.items) ++counts[item.kind];
    if (counts.empty()) return "  no items\n";
    const std::map<ImportedItem::Kind, const char*> plurals = {
        {ImportedItem::Kind::Station, "stations"},
        {ImportedItem::Kind::Observation, "observations"},
        {ImportedItem::Kind::Point, "points"},
        {ImportedItem::Kind::None, "items of values sent with no item open"}};
    std::string line;
    for (const auto& [kind, count] : counts) {
        line += line.empty() ? "  " : ", ";
        line += std::to_string(count) + " " + (count == 1 ? Singular(kind) : plurals.at(kind));
    }
    return line + "\n";
}

std::string FileTable(const ImportedFile& file) {
    std::string out = Visible(file.path) + "\n";
    if (!file.items.empty()) {
        const std::vector<Column> columns = Columns(file);
        std::vector<std::string> cells;
        for (const Column& column : columns) cells.push_back(column.heading);
        out += Row(columns, cells);
        for (std::size_t row = 0; row < file.items.size(); ++row) {
            cells.clear();
            for (const Column& column : columns) cells.push_back(column.cells[row]);
            out += Row(columns, cells);
        }
    }
    out += Counts(file);
    if (file.result) out += "  result: " + std::to_string(*file.result) + "\n";
    for (const std::string& message : file.messages) out += "  message: " + message + "\n";
    return out;
}

}  // namespace

std::string FormatTable(const std::vector<ImportedFile>& files) {
    std::string out;
    for (std::size_t i = 0; i < files.size(); ++i) out += (i ? "\n" : "") + FileTable(files[i]);
    return out;
}

}  // namespace Tool
