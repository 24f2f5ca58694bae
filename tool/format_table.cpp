#include "tool/formats.h"

#include <algorithm>
#include <cstring>

#include "tool/item_fields.h"

namespace Tool {
namespace {

// Columns count characters, not bytes: every UTF-8 lead byte is one.
std::size_t Width(const std::string& text) {
    std::size_t width = 0;
    for (const char c : text) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return width;
}

// Whether a text shows as it is: blanks at its ends or control characters would hide.
bool Plain(const std::string& text) {
    bool plain = !text.empty() && text.front() != ' ' && text.back() != ' ';
    for (const char c : text) plain = plain && static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
    return plain;
}

// A text as a person can see it: quoted, with escapes, when it is not plain.
std::string Visible(const std::string& text) { return Plain(text) ? text : Host::JsonString(text); }

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

// One line of the table, written cell by cell, left to right; an empty cell is left out.
class CRow {
public:
    explicit CRow(std::string& out) : m_out(out) { Spaces(kIndent); }
    void End() {
        Put("\n");
        m_out.append(m_line, m_used);
    }

    void Cell(std::size_t column, std::string_view text) {
        if (text.empty()) return;
        std::size_t width = 0;
        for (const char c : text) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        const Column& place = Columns()[column];
        const std::size_t earliest = m_written ? m_position + kGap : m_position;
        const std::size_t start =
            place.rightAligned ? std::max(place.start + place.width, earliest + width) - width : std::max(place.start, earliest);
        Spaces(start - m_position);
        Put(text);
        m_position = start + width;
        m_written = true;
    }

    // A text as a person can see it (Visible).
    void TextCell(std::size_t column, const std::string& text) {
        if (Plain(text))
            Cell(column, text);
        else
            Cell(column, Host::JsonString(text));
    }

private:
    // Into the line's own buffer, which goes to the output whole: one append per row,
    // unless a row is longer than the buffer holds.
    void Put(std::string_view text) {
        if (m_used + text.size() > sizeof m_line) {
            m_out.append(m_line, m_used);
            m_used = 0;
            if (text.size() > sizeof m_line) {
                m_out += text;
                return;
            }
        }
        std::memcpy(m_line + m_used, text.data(), text.size());
        m_used += text.size();
    }
    void Spaces(std::size_t count) {
        while (count > 0) {
            if (m_used == sizeof m_line) {
                m_out.append(m_line, m_used);
                m_used = 0;
            }
            const std::size_t some = std::min(count, sizeof m_line - m_used);
            std::memset(m_line + m_used, ' ', some);
            m_used += some;
            count -= some;
        }
    }

    std::string& m_out;
    char m_line[1024];
    std::size_t m_used = 0;
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
            CRow heading(out);
            for (std::size_t i = 0; i < columns.size(); ++i) heading.Cell(i, columns[i].heading);
            heading.End();
            m_headed = true;
        }
        CRow row(out);
        row.Cell(0, KindName(item.kind));
        row.TextCell(1, item.name);
        if (item.station) row.TextCell(2, *item.station);
        for (std::size_t i = 3; i < columns.size(); ++i) {
            const ItemField& field = *columns[i].field;
            if (field.member) {
                if (const std::optional<double>& number = item.*field.member) {
                    char text[400];  // the largest double has 309 digits before its point
                    row.Cell(i, {text, Host::FormatFixed(text, sizeof text, *number, field.decimals, field.NumberText(item))});
                }
                continue;
            }
            const auto value = field.read(item);
            if (!value) continue;
            if (const bool* flag = std::get_if<bool>(&*value)) {
                row.Cell(i, *flag ? "yes" : "no");
            } else if (const int* face = std::get_if<int>(&*value)) {
                row.Cell(i, std::to_string(*face));
            } else {
                row.TextCell(i, std::get<std::string>(*value));
            }
        }
        row.End();
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
};

}  // namespace

std::unique_ptr<CFormat> MakeTableFormat(COutput& out, const HtmlRun& /*run*/) { return std::make_unique<CTableFormat>(out); }

}  // namespace Tool
