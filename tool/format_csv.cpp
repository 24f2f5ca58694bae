#include "tool/formats.h"

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

void AppendValue(std::string& out, const FieldValue& value, std::string_view parsedFrom) {
    if (const double* number = std::get_if<double>(&value)) {
        AppendNumber(out, *number, parsedFrom);
    } else if (const bool* flag = std::get_if<bool>(&value)) {
        out += *flag ? "true" : "false";
    } else if (const int* face = std::get_if<int>(&value)) {
        out += std::to_string(*face);
    } else {
        AppendField(out, std::get<std::string>(value));
    }
}

// The columns after the item's values, filled in the one row per file that follows the
// file's items (kind "file").
constexpr const char* kFileColumns[] = {"outcome", "stations", "observations", "points", "messages"};

// A row per item, then a row per file with its outcome and counts.
class CCsvFormat final : public CFormat {
public:
    explicit CCsvFormat(COutput& out) : m_out(out) {}

    void BeginImport() override {
        std::string& out = m_out.Text();
        out += "file,kind,name,station";
        for (const ItemField& field : ItemFields()) (out += ',') += field.key;
        for (const char* column : kFileColumns) (out += ',') += column;
        out += "\r\n";
        m_out.Written();
    }

    void Item(const ImportedFile& file, const ImportedItem& item) override {
        if (m_out.Failed()) return;
        std::string& out = m_out.Text();
        AppendField(out, file.path);
        out += ',';
        out += KindName(item.kind);
        out += ',';
        AppendField(out, item.name);
        out += ',';
        if (item.station) AppendField(out, *item.station);
        for (const ItemField& field : ItemFields()) {
            out += ',';
            if (const auto value = field.read(item)) AppendValue(out, *value, field.NumberText(item));
        }
        out.append(std::size(kFileColumns), ',');
        out += "\r\n";
        m_out.Written();
    }

    void EndFile(const ImportedFile& file) override {
        std::string& out = m_out.Text();
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
        m_out.Written();
        m_out.Flush();  // a whole file's rows out before the next file is read
    }

private:
    COutput& m_out;
};

}  // namespace

std::unique_ptr<CFormat> MakeCsvFormat(COutput& out, const HtmlRun& /*run*/) { return std::make_unique<CCsvFormat>(out); }

}  // namespace Tool
