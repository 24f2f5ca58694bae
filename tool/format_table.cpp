#include "tool/formats.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "tool/item_fields.h"

namespace Tool {
namespace {

// Columns count characters, not bytes: every UTF-8 lead byte is one. Eight bytes at a
// time while they are ASCII, which nearly every cell is.
std::size_t Width(std::string_view text) {
    std::size_t width = 0, i = 0;
    for (std::uint64_t eight; i + 8 <= text.size(); i += 8) {
        std::memcpy(&eight, text.data() + i, 8);
        if (eight & 0x8080808080808080u) break;
        width += 8;
    }
    for (; i < text.size(); ++i) width += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
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

// One line of the table, written cell by cell, left to right, straight into the output;
// an empty cell is left out. `texts`: the bytes of all its cells together, at most.
class CRow {
public:
    CRow(COutput& out, std::size_t texts)
        : m_line(out, LineWidth() + texts + kSpacesRoom + 1), m_columns(Columns()) {
        Spaces(kIndent);
    }
    void End() { m_line.Put('\n'); }

    // A text of `width` characters.
    void Cell(std::size_t column, std::string_view text, std::size_t width) {
        if (text.empty()) return;
        const Column& place = m_columns[column];
        const std::size_t earliest = m_written ? m_position + kGap : m_position;
        const std::size_t start =
            place.rightAligned ? std::max(place.start + place.width, earliest + width) - width : std::max(place.start, earliest);
        Spaces(start - m_position);
        m_line.Put(text);
        m_position = start + width;
        m_written = true;
    }
    void Cell(std::size_t column, std::string_view text) { Cell(column, text, Width(text)); }
    void AsciiCell(std::size_t column, std::string_view text) { Cell(column, text, text.size()); }

    // A text as a person can see it (Visible): at most JsonRoom of its bytes.
    void TextCell(std::size_t column, const std::string& text) {
        if (Plain(text))
            Cell(column, text);
        else
            Cell(column, Host::JsonString(text));
    }

    // The most a line takes beyond its cells' texts: every cell in its column.
    static std::size_t LineWidth() {
        const Column& last = Columns().back();
        return last.start + last.width;
    }

private:
    static constexpr std::size_t kSpacesRoom = 16;  // written sixteen at a time

    void Spaces(std::size_t count) {
        static const char kSpaces[kSpacesRoom + 1] = "                ";
        char* const here = m_line.Here();
        for (std::size_t i = 0; i < count; i += kSpacesRoom) std::memcpy(here + i, kSpaces, kSpacesRoom);
        m_line.Advance(count);
    }

    CInPlace m_line;
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
    "Units: angles, distances, pressure and temperature are passed on as the host's value parsers\n"
    "read them from the file (this host converts no units); the table rounds them to the places shown.\n";

// Per file: its path, the items in the order the plug-in opened them, each with its
// station, then the counts and what became of the file; totals when there are several.
class CTableFormat final : public CFormat {
    static constexpr std::size_t kNumberRoom = 400;

public:
    explicit CTableFormat(COutput& out) : m_out(out) {}

    void BeginFile(const ImportedFile& file) override {
        m_out.Write((m_files++ ? "\n" : "") + Visible(file.path) + "\n");
        m_headed = false;
    }

    void Item(const ImportedFile& /*file*/, const ImportedItem& item) override {
        if (m_out.Failed()) return;
        const std::vector<Column>& columns = Columns();
        if (!m_headed) {
            {
                CRow heading(m_out, 0);
                for (std::size_t i = 0; i < columns.size(); ++i) heading.Cell(i, columns[i].heading);
                heading.End();
            }
            m_headed = true;
        }
        std::size_t texts = 16 * kNumberRoom;
        for (const std::string* text : {&item.name, item.station ? &*item.station : nullptr, item.code ? &*item.code : nullptr})
            if (text) texts += CInPlace::JsonRoom(*text);
        {
            CRow row(m_out, texts);
            row.AsciiCell(0, KindName(item.kind));
            row.TextCell(1, item.name);
            if (item.station) row.TextCell(2, *item.station);
            for (std::size_t i = 3; i < columns.size(); ++i) {
                const ItemField& field = *columns[i].field;
                if (field.member) {
                    if (const std::optional<double>& number = item.*field.member) {
                        char text[kNumberRoom];  // the largest double has 309 digits before its point
                        row.AsciiCell(i, {text, Host::FormatFixed(text, sizeof text, *number, field.decimals)});
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
                    row.TextCell(i, std::get<std::string>(*value));
                }
            }
            row.End();
        }
        m_out.EndLine();
        m_anyItem = true;
    }

    void EndFile(const ImportedFile& file) override {
        std::string out = "  " + CountsText(file.counts) + "\n";
        if (file.result) out += "  result: " + std::to_string(*file.result) + "\n";
        for (const std::string& message : file.messages) out += "  message: " + message + "\n";
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
};

}  // namespace

std::unique_ptr<CFormat> MakeTableFormat(COutput& out, const HtmlRun& /*run*/) { return std::make_unique<CTableFormat>(out); }

}  // namespace Tool
