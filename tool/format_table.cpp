#include "tool/formats.h"

#include <algorithm>
#include <charconv>
#include <cmath>

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

// As printf's "%.*f" writes it, at a fraction of the cost.
std::string Fixed(double value, int decimals) {
    if (!std::isfinite(value)) return ShortestNumber(value);
    char text[400];  // the largest double has 309 digits before its point
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, written.ptr);
}

std::string Cell(const FieldValue& value, int decimals) {
    if (const double* number = std::get_if<double>(&value)) return Fixed(*number, decimals);
    if (const bool* flag = std::get_if<bool>(&value)) return *flag ? "yes" : "no";
    if (const int* face = std::get_if<int>(&value)) return std::to_string(*face);
    return Visible(std::get<std::string>(value));
}

// The table is written a row at a time, before the rows after it are known, so its
// columns have fixed places, wide enough for the usual values. A longer value pushes the
// rest of its row to the right, and the row is back in its columns as soon as the blanks
// of the cells after it allow.
struct Column {
    const char* heading;
    bool rightAligned;
    std::size_t width;
    const ItemField* field;  // null: kind, name or station
    std::size_t start = 0;   // its first character on the line
};

constexpr std::size_t kIndent = 2;
constexpr std::size_t kGap = 2;

std::vector<Column> MakeColumns() {
    std::vector<Column> columns = {{"Item", false, 11, nullptr}, {"Name", false, 10, nullptr}, {"Station", false, 10, nullptr}};
    for (const ItemField& field : ItemFields()) {
        if (!field.heading) continue;
        const bool text = std::string(field.key) == "code";
        columns.push_back({field.heading, !text, std::max<std::size_t>(static_cast<std::size_t>(field.width), Width(field.heading)), &field});
    }
    std::size_t start = kIndent;
    for (Column& column : columns) {
        column.start = start;
        start += column.width + kGap;
    }
    return columns;
}

const std::vector<Column>& Columns() {
    static const std::vector<Column> columns = MakeColumns();
    return columns;
}

void AppendRow(std::string& out, const std::vector<std::string>& cells) {
    const std::vector<Column>& columns = Columns();
    std::size_t position = kIndent;
    bool written = false;
    out.append(kIndent, ' ');
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const std::string& cell = cells[i];
        if (cell.empty()) continue;
        const std::size_t width = Width(cell);
        const std::size_t earliest = written ? position + kGap : position;
        const std::size_t start = columns[i].rightAligned
                                      ? std::max(columns[i].start + columns[i].width, earliest + width) - width
                                      : std::max(columns[i].start, earliest);
        out.append(start - position, ' ');
        out += cell;
        position = start + width;
        written = true;
    }
    out += '\n';
}

std::string Plural(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string CountsText(const ItemCounts& counts) {
    if (counts.Empty()) return "no items";
    std::string text;
    const auto add = [&](std::size_t count, const char* one, const char* many) {
        if (count == 0) return;
        text += (text.empty() ? "" : ", ") + Plural(count, one, many);
    };
    add(counts.stations, "station", "stations");
    add(counts.observations, "observation", "observations");
    add(counts.points, "point", "points");
    add(counts.loose, "item of values sent with no item open", "items of values sent with no item open");
    return text;
}

constexpr const char* kUnitsNote =
    "Units: angles, distances, pressure and temperature are passed on as the host's value parsers\n"
    "read them from the file (this host converts no units); the table rounds them to the places shown.\n";

// Per file: its path, the items in the order the plug-in opened them, each with its
// station, then the counts and what became of the file; totals when there are several.
class CTableFormat final : public CFormat {
public:
    explicit CTableFormat(COutput& out) : m_out(out) {}

    void BeginFile(const ImportedFile& file) override {
        std::string& out = m_out.Text();
        if (m_files++) out += '\n';
        out += Visible(file.path);
        out += '\n';
        m_headed = false;
        m_out.Written();
    }

    void Item(const ImportedFile& /*file*/, const ImportedItem& item) override {
        if (m_out.Failed()) return;
        std::string& out = m_out.Text();
        const std::vector<Column>& columns = Columns();
        if (!m_headed) {
            m_cells.clear();
            for (const Column& column : columns) m_cells.push_back(column.heading);
            AppendRow(out, m_cells);
            m_headed = true;
        }
        m_cells.assign(columns.size(), std::string());
        m_cells[0] = KindName(item.kind);
        m_cells[1] = Visible(item.name);
        if (item.station) m_cells[2] = Visible(*item.station);
        for (std::size_t i = 3; i < columns.size(); ++i) {
            if (const auto value = columns[i].field->read(item)) m_cells[i] = Cell(*value, columns[i].field->decimals);
        }
        AppendRow(out, m_cells);
        m_anyItem = true;
        m_out.Written();
    }

    void EndFile(const ImportedFile& file) override {
        std::string& out = m_out.Text();
        out += "  " + CountsText(file.counts) + "\n";
        if (file.result) out += "  result: " + std::to_string(*file.result) + "\n";
        for (const std::string& message : file.messages) out += "  message: " + message + "\n";
        const Outcome outcome = file.GetOutcome();
        if (outcome != Outcome::Ok) out += std::string("  outcome: ") + OutcomeName(outcome) + "\n";
        m_out.Written();
        m_out.Flush();
    }

    void EndImport(const ImportTotals& totals) override {
        std::string& out = m_out.Text();
        if (totals.files > 1) {
            out += "\n" + std::to_string(totals.files) + " files: " + CountsText(totals.counts);
            std::string outcomes;
            for (std::size_t i = 0; i < kOutcomeCount; ++i) {
                if (totals.outcomes[i] == 0) continue;
                outcomes += (outcomes.empty() ? "; " : ", ") + std::to_string(totals.outcomes[i]) + " " +
                            OutcomeName(static_cast<Outcome>(i));
            }
            out += outcomes + "\n";
        }
        if (m_anyItem) out += std::string("\n") + kUnitsNote;
        m_out.Written();
    }

private:
    COutput& m_out;
    std::size_t m_files = 0;
    bool m_headed = false;
    bool m_anyItem = false;  // a table was shown: the units note goes under it
    std::vector<std::string> m_cells;
};

}  // namespace

std::unique_ptr<CFormat> MakeTableFormat(COutput& out, const HtmlRun& /*run*/) { return std::make_unique<CTableFormat>(out); }

}  // namespace Tool
