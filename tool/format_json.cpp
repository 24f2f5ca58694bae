#include "tool/formats.h"

#include "tool/item_fields.h"

namespace Tool {
namespace {

void AppendValue(std::string& out, const FieldValue& value, std::string_view parsedFrom) {
    if (const double* number = std::get_if<double>(&value)) {
        char text[Host::kJsonNumberSize];
        out.append(text, parsedFrom.empty() ? Host::FormatJsonNumber(text, *number)
                                            : Host::FormatParsedJsonNumber(text, parsedFrom, *number));
    } else if (const bool* flag = std::get_if<bool>(&value)) {
        out += *flag ? "true" : "false";
    } else if (const int* face = std::get_if<int>(&value)) {
        out += std::to_string(*face);
    } else {
        Host::AppendJsonString(out, std::get<std::string>(value));
    }
}

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
        if (const auto value = field.read(item)) {
            out += ",\"";
            out += field.key;
            out += "\":";
            AppendValue(out, *value, field.NumberText(item));
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
        std::string& out = m_out.Text();
        out += m_files++ ? ",\n" : "\n";
        out += "    {\n      \"path\": ";
        Host::AppendJsonString(out, file.path);
        out += ",\n      \"items\": [";
        m_items = 0;
        m_out.Written();
    }

    void Item(const ImportedFile& /*file*/, const ImportedItem& item) override {
        if (m_out.Failed()) return;
        std::string& out = m_out.Text();
        out += m_items++ ? ",\n        " : "\n        ";
        AppendItem(out, item);
        m_out.Written();
    }

    void EndFile(const ImportedFile& file) override {
        std::string& out = m_out.Text();
        out += m_items ? "\n      ],\n" : "],\n";
        out += "      \"result\": ";
        out += file.result ? std::to_string(*file.result) : "null";
        out += ",\n      \"messages\": [";
        for (std::size_t i = 0; i < file.messages.size(); ++i) {
            if (i) out += ", ";
            Host::AppendJsonString(out, file.messages[i]);
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
        m_out.Written();
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
