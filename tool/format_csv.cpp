#include "tool/formats.h"

#include <cmath>

#include "tool/item_fields.h"

namespace Tool {
namespace {

// RFC 4180: a field with a comma, quote or line break is quoted, quotes doubled. Blanks at
// either end are quoted too, so that spreadsheets keep them.
void AppendField(std::string& out, const std::string& text) {
    bool plain = text.empty() || (text.front() != ' ' && text.back() != ' ');
    for (std::size_t i = 0; plain && i < text.size(); ++i)
        plain = text[i] != ',' && text[i] != '"' && text[i] != '\r' && text[i] != '\n';
    if (plain) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

// The columns after the item's values, filled in the one row per file that follows the
// file's items (kind "file").
constexpr const char* kFileColumns[] = {"outcome", "stations", "observations", "points", "messages"};

// A row per item, then a row per file with its outcome and counts.
class CCsvFormat final : public CFormat {
public:
    explicit CCsvFormat(COutput& out) : m_out(out) {}

    void BeginImport() override {
        std::string out = "file,kind,name,station";
        for (const ItemField& field : ItemFields()) (out += ',') += field.key;
        for (const char* column : kFileColumns) (out += ',') += column;
        out += "\r\n";
        m_out.Write(out);
    }

    void Item(const ImportedFile& file, const ImportedItem& item) override {
        if (m_out.Failed()) return;
        const std::size_t texts = file.path.size() + item.name.size() + (item.station ? item.station->size() : 0) +
                                  (item.code ? item.code->size() : 0);
        {
            const std::vector<ItemField>& fields = ItemFields();
            CInPlace line(m_out, 2 * texts + 64 + fields.size() * (2 + Host::kJsonNumberSize));
            line.PutCsvField(file.path);
            line.Put(',');
            line.Put(KindName(item.kind));
            line.Put(',');
            line.PutCsvField(item.name);
            line.Put(',');
            if (item.station) line.PutCsvField(*item.station);
            for (const ItemField& field : fields) {
                line.Put(',');
                if (field.member) {
                    const std::optional<double>& number = item.*field.member;
                    if (!number) continue;
                    if (!std::isfinite(*number)) {
                        line.Put(ShortestNumber(*number));
                        continue;
                    }
                    line.Advance(Host::FormatJsonNumber(line.Here(), *number));
                } else if (const auto value = field.read(item)) {
                    if (const bool* flag = std::get_if<bool>(&*value))
                        line.Put(*flag ? "true" : "false");
                    else if (const int* face = std::get_if<int>(&*value))
                        line.Put(std::to_string(*face));
                    else if (const std::string* text = std::get_if<std::string>(&*value))
                        line.PutCsvField(*text);
                }
            }
            line.Repeat(',', std::size(kFileColumns));
            line.Put("\r\n");
        }
        m_out.EndLine();
    }

    void EndFile(const ImportedFile& file) override {
        std::string out;
        AppendField(out, file.path);
        out += ",file,,";
        out.append(ItemFields().size(), ',');
        out += ',';
        out += OutcomeName(file.GetOutcome());
        for (const std::size_t count : {file.counts.stations, file.counts.observations, file.counts.points})
            (out += ',') += std::to_string(count);
        out += ',';
        std::string messages;
        for (const std::string& message : file.messages) (messages += messages.empty() ? "" : "\n") += message;
        AppendField(out, messages);
        out += "\r\n";
        m_out.Write(out);
        m_out.Flush();  // a whole file's rows out before the next file is read
    }

private:
    COutput& m_out;
};

}  // namespace

std::unique_ptr<CFormat> MakeCsvFormat(COutput& out, const HtmlRun& /*run*/) { return std::make_unique<CCsvFormat>(out); }

}  // namespace Tool
