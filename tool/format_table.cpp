#include "tool/formats.h"

#include <algorithm>

#include "host/text.h"
#include "tool/item_fields.h"

namespace Tool {
namespace {

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
        const std::size_t width = std::max<std::size_t>(static_cast<std::size_t>(field.width), Host::CharacterCount(field.heading));
        columns.push_back({field.heading, !text, width, &field});
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

// One line of the table, written cell by cell, left to right, straight into the output;
// an empty cell is left out.
class CRow {
public:
    explicit CRow(std::string& out) : m_out(out), m_columns(Columns()) { m_out.append(kIndent, ' '); }
    void End() { m_out += '\n'; }

    // A text of `width` characters.
    void Cell(std::size_t column, std::string_view text, std::size_t width) {
        if (text.empty()) return;
        const Column& place = m_columns[column];
        const std::size_t earliest = m_written ? m_position + kGap : m_position;
        const std::size_t start =
            place.rightAligned ? std::max(place.start + place.width, earliest + width) - width : std::max(place.start, earliest);
        m_out.append(start - m_position, ' ');
        m_out += text;
        m_position = start + width;
        m_written = true;
    }
    void Cell(std::size_t column, std::string_view text) { Cell(column, text, Host::CharacterCount(text)); }
    void AsciiCell(std::size_t column, std::string_view text) { Cell(column, text, text.size()); }

private:
    std::string& m_out;
    const std::vector<Column>& m_columns;
    std::size_t m_position = kIndent;
    bool m_written = false;
};

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
    "Units: angles in decimal degrees; distances, heights and coordinates in metres; pressure in\n"
    "millibars (hPa); temperature in degrees Celsius. JobXML records them so whatever units the job\n"
    "shows, and nothing is converted; the table rounds them to the places shown.\n";

// Per file: its path, the items in the order the plug-in opened them, each with its
// station, then the counts and what became of the file; totals when there are several.
class CTableFormat final : public CFormat {
public:
    explicit CTableFormat(COutput& out) : m_out(out) {}

    void BeginFile(const ImportedFile& file) override {
        m_out.Write((m_files++ ? "\n" : "") + Host::VisibleText(file.path) + "\n");
        m_headed = false;
    }

    void Item(const ImportedFile& /*file*/, const ImportedItem& item) override {
        if (m_out.Failed()) return;
        const std::vector<Column>& columns = Columns();
        if (!m_headed) {
            CRow heading(m_out.Text());
            for (std::size_t i = 0; i < columns.size(); ++i) heading.Cell(i, columns[i].heading);
            heading.End();
            m_headed = true;
        }
        CRow row(m_out.Text());
        row.AsciiCell(0, KindName(item.kind));
        row.Cell(1, Host::VisibleText(item.name));
        if (item.station) row.Cell(2, Host::VisibleText(*item.station));
        for (std::size_t i = 3; i < columns.size(); ++i) {
            const ItemField& field = *columns[i].field;
            if (field.member) {
                if (const std::optional<double>& number = item.*field.member) {
                    m_number.clear();
                    Host::AppendFixed(m_number, *number, field.decimals);
                    row.AsciiCell(i, m_number);
                }
                continue;
            }
            const auto value = field.read(item);
            if (!value) continue;
            if (const bool* flag = std::get_if<bool>(&*value)) {
                row.AsciiCell(i, *flag ? "yes" : "no");
            } else if (const int* face = std::get_if<int>(&*value)) {
                row.AsciiCell(i, std::to_string(*face));
            } else {
                row.Cell(i, Host::VisibleText(std::get<std::string>(*value)));
            }
        }
        row.End();
        m_out.EndLine();
        m_anyItem = true;
    }

    void EndFile(const ImportedFile& file) override {
        std::string out = "  " + CountsText(file.counts) + "\n";
        if (file.result) out += "  result: " + std::to_string(*file.result) + "\n";
        for (std::size_t i = 0; i < file.messages.size(); ++i) {
            out += "  message: " + file.messages[i] + "\n";
            if (!file.reasons[i].empty()) out += "  reason: " + file.reasons[i] + "\n";
        }
        const Outcome outcome = file.GetOutcome();
        if (outcome != Outcome::Ok) out += std::string("  outcome: ") + OutcomeName(outcome) + "\n";
        m_out.Write(out);
        m_out.Flush();
    }

    void EndImport(const ImportTotals& totals) override {
        std::string out;
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
        m_out.Write(out);
    }

private:
    COutput& m_out;
    std::size_t m_files = 0;
    bool m_headed = false;
    bool m_anyItem = false;  // a table was shown: the units note goes under it
    std::string m_number;    // a number's cell, before its place is known
};

}  // namespace

std::unique_ptr<CFormat> MakeTableFormat(COutput& out, const HtmlRun& /*run*/) { return std::make_unique<CTableFormat>(out); }

}  // namespace Tool
