#include "tool/formats.h"

#include "tool/item_fields.h"

namespace Tool {
namespace {

// One item on one line: only the values it was given.
void PutItem(COutput& out, const char* before, const ImportedItem& item) {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> made;
        for (const ItemField& field : ItemFields()) made.push_back(",\"" + std::string(field.key) + "\":");
        return made;
    }();
    const std::size_t texts = item.name.size() + (item.station ? item.station->size() : 0) + (item.code ? item.code->size() : 0);
    const std::vector<ItemField>& fields = ItemFields();
    CInPlace line(out, 6 * texts + 64 + fields.size() * (32 + Host::kJsonNumberSize));
    line.Put(before);
    line.Put("{\"kind\":\"");
    line.Put(KindName(item.kind));
    line.Put("\",\"name\":");
    line.PutJsonString(item.name);
    if (item.kind == ImportedItem::Kind::Observation) {
        line.Put(",\"station\":");
        if (item.station)
            line.PutJsonString(*item.station);
        else
            line.Put("null");
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const ItemField& field = fields[i];
        if (field.member) {  // a number, the most of what an item holds
            const std::optional<double>& number = item.*field.member;
            if (!number) continue;
            line.Put(keys[i]);
            line.Advance(Host::FormatJsonNumber(line.Here(), *number));
        } else if (const auto value = field.read(item)) {
            line.Put(keys[i]);
            if (const bool* flag = std::get_if<bool>(&*value))
                line.Put(*flag ? "true" : "false");
            else if (const int* face = std::get_if<int>(&*value))
                line.Put(std::to_string(*face));
            else if (const std::string* text = std::get_if<std::string>(&*value))
                line.PutJsonString(*text);
        }
    }
    line.Put('}');
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
        PutItem(m_out, m_items++ ? ",\n        " : "\n        ", item);
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
