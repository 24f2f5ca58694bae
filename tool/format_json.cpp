#include "tool/formats.h"

#include "host/text.h"
#include "tool/item_fields.h"

namespace Tool {
namespace {

// One item on one line: only the values it was given.
void AppendItem(std::string& out, const ImportedItem& item) {
    out += "{\"kind\":\"";
    out += KindName(item.kind);
    out += "\",\"name\":";
    Host::AppendJsonString(out, item.name);
    if (item.kind == ImportedItem::Kind::Observation) {
        out += ",\"station\":";
        if (item.station)
            Host::AppendJsonString(out, *item.station);
        else
            out += "null";
    }
    for (const ItemField& field : ItemFields()) {
        const auto key = [&] { ((out += ",\"") += field.key) += "\":"; };
        if (field.member) {  // a number, the most of what an item holds
            if (const std::optional<double>& number = item.*field.member) {
                key();
                Host::AppendJsonNumber(out, *number);
            }
        } else if (const auto value = field.read(item)) {
            key();
            if (const bool* flag = std::get_if<bool>(&*value))
                out += *flag ? "true" : "false";
            else if (const int* face = std::get_if<int>(&*value))
                out += std::to_string(*face);
            else if (const std::string* text = std::get_if<std::string>(&*value))
                Host::AppendJsonString(out, *text);
        }
    }
    out += '}';
}

// One document, written as it goes: a file's items as they come, then what is known of
// the file only at its end (result, messages, progress, counts, outcome).
class CJsonFormat final : public CFormat {
public:
    explicit CJsonFormat(COutput& out) : m_out(out) {}

    void BeginImport() override { m_out.Write("{\n  \"files\": ["); }

    void BeginFile(const ImportedFile& file) override {
        std::string out = m_files++ ? ",\n" : "\n";
        out += "    {\n      \"path\": ";
        Host::AppendJsonString(out, file.path);
        out += ",\n      \"items\": [";
        m_items = 0;
        m_out.Write(out);
    }

    void Item(const ImportedFile& /*file*/, const ImportedItem& item) override {
        if (m_out.Failed()) return;
        m_out.Text() += m_items++ ? ",\n        " : "\n        ";
        AppendItem(m_out.Text(), item);
        m_out.EndLine();
    }

    void EndFile(const ImportedFile& file) override {
        std::string out = m_items ? "\n      ],\n" : "],\n";
        out += "      \"result\": ";
        out += file.result ? std::to_string(*file.result) : "null";
        out += ",\n      \"messages\": [";
        for (std::size_t i = 0; i < file.messages.size(); ++i) {
            if (i) out += ", ";
            Host::AppendJsonString(out, file.messages[i]);
        }
        if (file.AnyReason()) {
            // One for each message, null where none was found; only where there is one.
            out += "],\n      \"reasons\": [";
            for (std::size_t i = 0; i < file.reasons.size(); ++i) {
                if (i) out += ", ";
                if (file.reasons[i].empty()) out += "null";
                else Host::AppendJsonString(out, file.reasons[i]);
            }
        }
        out += "],\n      \"progress\": [";
        for (std::size_t i = 0; i < file.progress.size(); ++i) {
            if (i) out += ", ";
            Host::AppendJsonNumber(out, file.progress[i]);
        }
        out += "],\n      \"counts\": {\"stations\": " + std::to_string(file.counts.stations) +
               ", \"observations\": " + std::to_string(file.counts.observations) +
               ", \"points\": " + std::to_string(file.counts.points);
        if (file.counts.loose) out += ", \"none\": " + std::to_string(file.counts.loose);
        out += "},\n      \"outcome\": \"";
        out += OutcomeName(file.GetOutcome());
        out += "\"\n    }";
        m_out.Write(out);
        m_out.Flush();
    }

    void EndImport(const ImportTotals& /*totals*/) override { m_out.Write(m_files ? "\n  ]\n}\n" : "]\n}\n"); }

private:
    COutput& m_out;
    std::size_t m_files = 0;
    std::size_t m_items = 0;
};

}  // namespace

std::unique_ptr<CFormat> MakeJsonFormat(COutput& out, const HtmlRun& /*run*/) { return std::make_unique<CJsonFormat>(out); }

}  // namespace Tool
