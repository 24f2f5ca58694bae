#include "tool/format_html.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "tool/html_text.h"
#include "tool/item_fields.h"
#include "tool/plan_svg.h"

namespace Tool {
namespace {

// Rows per table block: a block off the screen is left unrendered by the browser, so a
// job of a hundred thousand items scrolls as lightly as a small one.
constexpr std::size_t kRowsPerBlock = 500;
constexpr std::size_t kRowPixels = 21;
// Pieces go to the sink at about this size.
constexpr std::size_t kFlushBytes = 1 << 20;

const char* const kStyle = R"(
:root { color-scheme: light; }
body { font: 14px/1.4 "DejaVu Sans", "Segoe UI", Arial, sans-serif; color: #1d232a; margin: 0 auto; padding: 16px 24px 48px; max-width: 1400px; background: #fff; }
h1 { font-size: 22px; margin: 4px 0 8px; }
h2 { font-size: 18px; margin: 0 0 6px; display: flex; gap: 12px; align-items: baseline; flex-wrap: wrap; }
h3 { font-size: 15px; margin: 22px 0 6px; }
.path { font-family: "DejaVu Sans Mono", Consolas, monospace; overflow-wrap: anywhere; }
.run { color: #4a5561; margin: 4px 0; }
.run code { background: #f1f3f5; padding: 0 4px; border-radius: 3px; }
section.file { border-top: 2px solid #c9d1d9; margin-top: 28px; padding-top: 14px; }
.outcome { font-size: 13px; font-weight: bold; padding: 1px 8px; border-radius: 10px; color: #fff; white-space: nowrap; }
.outcome.ok { background: #2f7d32; }
.outcome.message { background: #b26a00; }
.outcome.cannot-open, .outcome.stopped { background: #b3261e; }
.totals { margin: 4px 0; }
figure.plan-figure { margin: 12px 0; }
svg.plan { display: block; max-width: 100%; height: auto; border: 1px solid #c9d1d9; background: #fff; }
svg.plan text { font: 11px "DejaVu Sans", Arial, sans-serif; fill: #1d232a; }
svg.plan .paper { fill: #fcfcfa; }
svg.plan .grid { stroke: #e2e6ea; stroke-width: 1; fill: none; }
svg.plan .grid-east text { text-anchor: middle; fill: #6b7580; font-size: 10px; }
svg.plan .grid-north text { text-anchor: end; fill: #6b7580; font-size: 10px; }
svg.plan text.axis { text-anchor: end; fill: #6b7580; font-size: 10px; }
svg.plan .rays { stroke: #2b63d9; stroke-width: 0.9; stroke-opacity: 0.75; fill: none; }
svg.plan .rays.backsight { stroke: #7b3fb3; stroke-dasharray: 6 4; stroke-width: 1.2; stroke-opacity: 0.9; }
svg.plan .points { stroke: #1d232a; stroke-width: 4.5; stroke-linecap: round; fill: none; }
svg.plan .keyed-in { stroke: #d46a00; stroke-width: 1.8; fill: none; }
svg.plan .stations { stroke: #c81e1e; stroke-width: 2; fill: none; stroke-linejoin: round; }
svg.plan.dense .rays { stroke-width: 0.5; stroke-opacity: 0.35; }
svg.plan.dense .points { stroke-width: 3; }
svg.plan.dense .keyed-in { stroke-width: 1.2; }
svg.plan .off-plan { stroke: #00796b; stroke-width: 1.6; fill: #00796b; stroke-linejoin: round; }
svg.plan .labels text { font-family: "DejaVu Sans Mono", Consolas, "Liberation Mono", monospace; paint-order: stroke; stroke: #fcfcfa; stroke-width: 3px; stroke-linejoin: round; }
svg.plan .labels .code { font-size: 9px; fill: #5b6670; }
svg.plan .labels .distance { font-size: 9px; fill: #00796b; }
svg.plan .scale-bar rect { stroke: #1d232a; stroke-width: 1; }
svg.plan .scale-bar .dark { fill: #1d232a; }
svg.plan .scale-bar .light { fill: #fff; }
svg.plan .scale-bar text { text-anchor: middle; font-size: 10px; }
svg.plan .north-arrow path { fill: #1d232a; }
svg.plan .north-arrow text { text-anchor: middle; font-weight: bold; font-size: 13px; }
figcaption { color: #4a5561; margin-top: 6px; }
.legend { display: flex; flex-wrap: wrap; gap: 4px 18px; margin: 0 0 4px; padding: 0; list-style: none; }
.legend svg { vertical-align: middle; margin-right: 4px; }
.no-plan { color: #4a5561; font-style: italic; }
ul.messages { margin: 4px 0; padding-left: 20px; }
ul.messages li { color: #8a1c14; }
.block { content-visibility: auto; overflow-x: auto; }
table.items { table-layout: fixed; border-collapse: collapse; font-size: 12px; margin: 0; }
table.items th, table.items td { padding: 1px 4px; border-bottom: 1px solid #eceff2; overflow-wrap: anywhere; vertical-align: top; }
table.items th { text-align: left; background: #f1f3f5; font-weight: 600; }
table.items .n { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }
table.items th.n { text-align: right; }
table.items .t { white-space: pre-wrap; }
table.items tr.station td { background: #f7f9fb; font-weight: 600; border-top: 1px solid #c9d1d9; }
table.items tr.observation td:first-child { padding-left: 20px; }
table.items tr.backsight td:first-child::after { content: " BS"; color: #7b3fb3; font-weight: bold; font-size: 10px; }
table.items tr.keyed-in td:first-child { color: #b35900; }
.note { color: #4a5561; font-size: 12px; margin: 4px 0; }
table.items tr.no-station td { font-style: italic; color: #4a5561; }
table.summary { border-collapse: collapse; }
table.summary td, table.summary th { padding: 2px 10px; border-bottom: 1px solid #eceff2; text-align: left; }
table.summary td.n { text-align: right; font-variant-numeric: tabular-nums; }
dl.outcomes dt { font-weight: bold; margin-top: 6px; }
dl.outcomes dd { margin-left: 20px; }
footer { border-top: 2px solid #c9d1d9; margin-top: 32px; padding-top: 14px; }
)";

struct OutcomeText {
    const char* word;
    const char* meaning;
};

const OutcomeText kOutcomes[] = {
    {"ok", "the whole file was imported, with no message"},
    {"message", "the file was read to its end and drew at least one message, as a badly formed file does: "
                "\xE2\x80\x9C\xD0\x9E\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0 \xD0\xB2 "
                "\xD1\x84\xD0\xBE\xD1\x80\xD0\xBC\xD0\xB0\xD1\x82\xD0\xB5 \xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB\xD0\xB0\xE2\x80\x9D"
                "; what it gave before is shown"},
    {"cannot-open", "the file could not be opened: nothing of it was imported"},
    {"stopped", "the import of the file did not reach its end: a failure stopped it, or the import ended inside "
                "it; what came before is shown"},
};

const char* OutcomeMeaning(const char* word) {
    for (const OutcomeText& outcome : kOutcomes)
        if (std::string(outcome.word) == word) return outcome.meaning;
    return "";
}

std::string Count(std::size_t count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

// A table's columns: the item, the name, then the values any of its items carries.
struct Column {
    const ItemField* field;  // nullptr: the item or the name
    const char* heading;
    int width;  // characters
    bool number;
};

// Widths in characters of the table's font, cell padding included: wide enough for the
// usual values; a longer one wraps.
int FieldWidth(const ItemField& field) {
    const std::string key = field.key;
    if (key == "code") return 26;
    if (key == "north" || key == "east") return 13;
    if (key == "horizontal_circle" || key == "vertical_circle") return 11;
    if (key == "slope_distance" || key == "elevation") return 10;
    if (key == "pressure") return 9;
    if (key == "face" || key == "temperature") return 6;
    return 7;
}

std::vector<Column> ColumnsOf(const std::vector<const ImportedItem*>& items, bool withKind) {
    std::vector<Column> columns;
    if (withKind) columns.push_back({nullptr, "Item", 16, false});
    columns.push_back({nullptr, "Name", 12, false});
    for (const ItemField& field : ItemFields()) {
        if (!field.heading) continue;
        bool used = false, text = false;
        for (const ImportedItem* item : items) {
            const auto value = field.read(*item);
            used = used || value.has_value();
            text = text || (value && std::holds_alternative<std::string>(*value));
        }
        if (used) columns.push_back({&field, field.heading, FieldWidth(field), !text});
    }
    return columns;
}

std::string Colgroup(const std::vector<Column>& columns, int* width) {
    std::string out = "<colgroup>";
    *width = 0;
    for (const Column& column : columns) {
        out += "<col style=\"width:" + std::to_string(column.width) + "ch\">";
        *width += column.width;
    }
    return out + "</colgroup>";
}

std::string HeadRow(const std::vector<Column>& columns) {
    std::string out = "<thead><tr>";
    for (const Column& column : columns)
        out += std::string(column.number ? "<th class=\"n\">" : "<th>") + column.heading + "</th>";
    return out + "</tr></thead>";
}

std::string RowClass(const ImportedItem& item) {
    std::string cssClass = KindName(item.kind);
    if (IsBacksightReading(item)) cssClass += " backsight";
    if (item.keyedIn) cssClass += " keyed-in";
    return cssClass;
}

std::string Row(const ImportedItem& item, const std::vector<Column>& columns) {
    std::string out = "<tr class=\"" + RowClass(item) + "\">";
    for (const Column& column : columns) {
        if (!column.field) {
            const bool kind = std::string(column.heading) == "Item";
            out += "<td class=\"t\">" + EscapeHtml(kind ? KindName(item.kind) : VisibleText(item.name)) + "</td>";
            continue;
        }
        const auto value = column.field->read(item);
        out += column.number ? "<td class=\"n\">" : "<td class=\"t\">";
        if (value) out += EscapeHtml(CellText(*value, column.field->decimals));
        out += "</td>";
    }
    return out + "</tr>";
}

// Rows of one table, a row being an item or a line of text across all columns.
struct TableRow {
    const ImportedItem* item;  // nullptr: `note`
    std::string note;
};

}  // namespace

CHtmlReport::CHtmlReport(HtmlRun run, Sink sink) : m_run(std::move(run)), m_sink(std::move(sink)) {}

void CHtmlReport::Put(const std::string& text) {
    m_buffer += text;
    if (m_buffer.size() >= kFlushBytes) Flush();
}

void CHtmlReport::Flush() {
    if (m_buffer.empty()) return;
    m_sink(m_buffer);
    m_buffer.clear();
}

namespace {

std::string SettingsLine(const HtmlRun& run) {
    std::string out;
    for (const HtmlSetting& setting : run.settings) {
        out += out.empty() ? "" : " \xC2\xB7 ";
        out += "<code>" + EscapeHtml(setting.option) + " " + (setting.on ? "on" : "off") + "</code> (" +
               EscapeHtml(setting.key) + "=" + (setting.on ? "1" : "0") + ")";
    }
    if (!run.settingsFile.empty()) out += " \xC2\xB7 settings file <code>" + EscapeHtml(VisibleText(run.settingsFile)) + "</code>";
    return out;
}

// What the plan's marks are, each kind that is drawn with its count, in a surveyor's
// words. A count of lines is followed by the observations they stand for where those
// are more.
std::string Legend(const PlanCounts& counts) {
    std::string out = "<ul class=\"legend\">";
    const auto entry = [&](std::size_t count, const char* picture, const std::string& text) {
        if (count == 0) return;
        out += std::string("<li><svg width=\"22\" height=\"14\" viewBox=\"0 0 22 14\">") + picture + "</svg>" + text + "</li>";
    };
    const auto observations = [](std::size_t lines, std::size_t rays) {
        return rays > lines ? " (" + Count(rays, "observation", "observations") + ")" : std::string();
    };
    const std::size_t dots = counts.points - counts.keyedIn - counts.offPlan;
    entry(dots, "<path d=\"M11 7h0\" stroke=\"#1d232a\" stroke-width=\"4.5\" stroke-linecap=\"round\"/>",
          Count(dots, "point", "points"));
    entry(counts.keyedIn, "<path d=\"M7.5 3.5h7v7h-7z\" stroke=\"#d46a00\" stroke-width=\"1.8\" fill=\"none\"/>",
          Count(counts.keyedIn, "keyed-in point", "keyed-in points"));
    entry(counts.stations,
          "<path d=\"M11 1l7 12h-14z\" stroke=\"#c81e1e\" stroke-width=\"2\" fill=\"none\" stroke-linejoin=\"round\"/>",
          Count(counts.stations, "station", "stations") +
              (counts.setUps > counts.stations ? " (" + Count(counts.setUps, "set-up", "set-ups") + ")" : ""));
    entry(counts.foresights, "<path d=\"M1 7h20\" stroke=\"#2b63d9\" stroke-width=\"1.2\"/>",
          Count(counts.foresights, "foresight", "foresights") +
              observations(counts.foresights, counts.rays - counts.backsightRays));
    entry(counts.backsights, "<path d=\"M1 7h20\" stroke=\"#7b3fb3\" stroke-width=\"1.4\" stroke-dasharray=\"6 4\"/>",
          Count(counts.backsights, "backsight", "backsights") + observations(counts.backsights, counts.backsightRays));
    entry(counts.offPlan,
          "<path d=\"M3 7h16m-6-4 6 4-6 4z\" stroke=\"#00796b\" stroke-width=\"1.6\" fill=\"#00796b\" "
          "stroke-linejoin=\"round\"/>",
          Count(counts.offPlan, "point", "points") + " far off the plan");
    return out + "</ul>";
}

std::string PlanCaption(const PlanCounts& counts) {
    std::string out = "North up, east to the right, one scale on both axes; grid and scale bar in metres. ";
    if (counts.offPlan)
        out += std::string(counts.offPlan == 1 ? "One point lies" : std::to_string(counts.offPlan) + " points lie") +
               " far from the rest, beyond the plan's edge: an arrow at the edge points to each from the plan's "
               "middle, with its name and its distance from that middle. ";
    if (counts.labels == counts.names)
        return out + (counts.codes ? "Every point is named, with its code." : "Every point is named.");
    return out + std::to_string(counts.labels) + " of " + std::to_string(counts.names) + " names written" +
           (counts.codes ? ", with their codes; " : "; ") + (counts.names - counts.labels == 1 ? "the other" : "the others") +
           " would cover a name or a mark at this scale (the tables list every point).";
}

// Stations, each followed by the observations made from it, in the order they came.
std::vector<TableRow> StationRows(const ImportedFile& file) {
    std::vector<TableRow> rows;
    bool station = false;
    for (const ImportedItem& item : file.items) {
        if (item.kind == ImportedItem::Kind::Station) station = true;
        if (item.kind == ImportedItem::Kind::Observation && !station && rows.empty())
            rows.push_back({nullptr, "observations before any station"});
        if (item.kind == ImportedItem::Kind::Station || item.kind == ImportedItem::Kind::Observation)
            rows.push_back({&item, {}});
    }
    return rows;
}

std::vector<TableRow> RowsOfKind(const ImportedFile& file, ImportedItem::Kind kind) {
    std::vector<TableRow> rows;
    for (const ImportedItem& item : file.items)
        if (item.kind == kind) rows.push_back({&item, {}});
    return rows;
}

}  // namespace

void CHtmlReport::Begin() {
    Put("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<title>JobXML import</title>\n<style>");
    Put(kStyle);
    Put("</style>\n</head>\n<body>\n<header>\n<h1>JobXML import</h1>\n"
        "<p class=\"run\">What the surveying application receives from each file through the plug-in: stations, "
        "the observations made from each, points with their coordinates, keyed-in marks, codes and messages. "
        "Angles are in decimal degrees, distances, heights and coordinates in metres, pressure in millibars "
        "(hPa) and temperature in degrees Celsius, as JobXML records them whatever units the job shows; "
        "nothing is converted.</p>\n"
        "</header>\n<main>\n");
}

void CHtmlReport::AddFile(const ImportedFile& file) {
    const std::size_t number = ++m_totals.files;
    const char* outcome = OutcomeName(file.GetOutcome());
    const std::string word = outcome;
    const ItemCounts& itemCounts = file.counts;
    m_totals.messages += file.messages.size();

    Put("<section class=\"file\" id=\"file-" + std::to_string(number) + "\">\n<h2><span class=\"path\">" +
        EscapeHtml(VisibleText(file.path)) + "</span> <span class=\"outcome " + word + "\" title=\"" +
        EscapeHtml(OutcomeMeaning(outcome)) + "\">" + word + "</span></h2>\n");
    Put("<p class=\"run\">Imported with " + SettingsLine(m_run) + ".</p>\n");

    // What the file gave, the kinds it has and its messages; the badge says how it ended.
    std::string totals;
    const auto add = [&](std::size_t count, const char* singular, const char* plural) {
        if (count) totals += (totals.empty() ? "" : ", ") + Count(count, singular, plural);
    };
    add(itemCounts.stations, "station", "stations");
    add(itemCounts.observations, "observation", "observations");
    add(itemCounts.points, "point", "points");
    add(itemCounts.loose, "item of values sent with no item open", "items of values sent with no item open");
    if (totals.empty()) totals = "Nothing imported";
    if (!file.messages.empty()) totals += " \xC2\xB7 " + Count(file.messages.size(), "message", "messages");
    Put("<p class=\"totals\">" + EscapeHtml(totals) + "</p>\n");

    if (!file.messages.empty()) {
        Put("<h3>Messages</h3>\n<ul class=\"messages\">");
        for (std::size_t i = 0; i < file.messages.size(); ++i) {
            std::string item = "<li>" + EscapeHtml(VisibleText(file.messages[i]));
            if (!file.reasons[i].empty())
                item += "<div class=\"reason\">Reason: " + EscapeHtml(VisibleText(file.reasons[i])) + "</div>";
            Put(item + "</li>");
        }
        Put("</ul>\n");
    }

    Put("<h3>Plan</h3>\n");
    PlanCounts counts;
    const std::string svg = PlanSvg(file, &counts);
    m_totals.drawnPoints += counts.points;
    m_totals.rays += counts.rays;
    if (svg.empty()) {
        Put("<p class=\"no-plan\">No point reached the host with north and east: there is nothing to draw.</p>\n");
    } else {
        Put("<figure class=\"plan-figure\">\n" + svg + "<figcaption>" + Legend(counts) + EscapeHtml(PlanCaption(counts)) +
            "</figcaption>\n</figure>\n");
    }

    const auto table = [&](const char* heading, const std::vector<TableRow>& rows, bool withKind, const char* none) {
        Put(std::string("<h3>") + heading + "</h3>\n");
        if (rows.empty()) {
            Put(std::string("<p class=\"no-plan\">") + none + "</p>\n");
            return;
        }
        std::vector<const ImportedItem*> items;
        for (const TableRow& row : rows)
            if (row.item) items.push_back(row.item);
        const std::vector<Column> columns = ColumnsOf(items, withKind);
        int width = 0;
        const std::string head = Colgroup(columns, &width) + HeadRow(columns);
        for (std::size_t start = 0; start < rows.size(); start += kRowsPerBlock) {
            const std::size_t end = std::min(rows.size(), start + kRowsPerBlock);
            Put("<div class=\"block\" style=\"contain-intrinsic-size:auto " + std::to_string((end - start + 1) * kRowPixels) +
                "px\"><table class=\"items\" style=\"width:" + std::to_string(width) + "ch\">" + head + "<tbody>\n");
            for (std::size_t i = start; i < end; ++i) {
                const TableRow& row = rows[i];
                if (row.item)
                    Put(Row(*row.item, columns) + "\n");
                else
                    Put("<tr class=\"no-station\"><td colspan=\"" + std::to_string(columns.size()) + "\">" +
                        EscapeHtml(row.note) + "</td></tr>\n");
            }
            Put("</tbody></table></div>\n");
        }
    };
    table("Stations and their observations", StationRows(file), true, "No station and no observation.");
    if (std::any_of(file.items.begin(), file.items.end(), IsBacksightReading))
        Put("<p class=\"note\">BS: a backsight reading, an observation with a horizontal circle and its face and "
            "nothing else. The plan draws every observation from that station to that name dashed.</p>\n");
    table("Points", RowsOfKind(file, ImportedItem::Kind::Point), false, "No point.");
    const std::vector<TableRow> looseRows = RowsOfKind(file, ImportedItem::Kind::None);
    if (!looseRows.empty()) table("Values sent with no item open", looseRows, false, "");
    Put("</section>\n");
    Flush();
}

void CHtmlReport::End(const ImportTotals& totals) {
    Put("</main>\n<footer>\n<h2>All files</h2>\n<table class=\"summary\"><tbody>\n");
    const auto line = [&](const std::string& what, std::size_t count) {
        Put("<tr><th>" + what + "</th><td class=\"n\">" + std::to_string(count) + "</td></tr>\n");
    };
    line("files", totals.files);
    for (std::size_t i = 0; i < kOutcomeCount; ++i) line(OutcomeName(static_cast<Outcome>(i)), totals.outcomes[i]);
    line("stations", totals.counts.stations);
    line("observations", totals.counts.observations);
    line("points", totals.counts.points);
    if (totals.counts.loose) line("items of values sent with no item open", totals.counts.loose);
    line("messages", m_totals.messages);
    line("points on the plans", m_totals.drawnPoints);
    line("observations drawn", m_totals.rays);
    Put("</tbody></table>\n<h3>Outcomes</h3>\n<dl class=\"outcomes\">\n");
    for (const OutcomeText& outcome : kOutcomes)
        Put(std::string("<dt>") + outcome.word + "</dt><dd>" + EscapeHtml(outcome.meaning) + "</dd>\n");
    Put("</dl>\n</footer>\n</body>\n</html>\n");
    Flush();
}

}  // namespace Tool
