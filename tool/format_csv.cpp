#include "tool/formats.h"

#include "host/text.h"
#include "tool/item_fields.h"

namespace Tool {
namespace {

// The columns after the item's values, filled in the one row per file that follows the
// file's items (kind "file"). "reasons" holds a line for each line of "messages": what the
// tool found of why the file drew it, empty where nothing was found.
constexpr const char* kFileColumns[] = {"outcome", "stations", "observations", "points", "messages", "reasons"};

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
        std::string& out = m_out.Text();
        Host::AppendCsvField(out, file.path);
        out += ',';
        out += KindName(item.kind);
        out += ',';
        Host::AppendCsvField(out, item.name);
        out += ',';
        if (item.station) Host::AppendCsvField(out, *item.station);
        for (const ItemField& field : ItemFields()) {
            out += ',';
            if (field.member) {
                if (const std::optional<double>& number = item.*field.member) Host::AppendNumber(out, *number);
            } else if (const auto value = field.read(item)) {
                if (const bool* flag = std::get_if<bool>(&*value))
                    out += *flag ? "true" : "false";
                else if (const int* face = std::get_if<int>(&*value))
                    out += std::to_string(*face);
                else if (const std::string* text = std::get_if<std::string>(&*value))
                    Host::AppendCsvField(out, *text);
            }
        }
        out.append(std::size(kFileColumns), ',');
        out += "\r\n";
        m_out.EndLine();
    }

    void EndFile(const ImportedFile& file) override {
        std::string out;
        Host::AppendCsvField(out, file.path);
        out += ",file,,";
        out.append(ItemFields().size(), ',');
        out += ',';
        out += OutcomeName(file.GetOutcome());
        for (const std::size_t count : {file.counts.stations, file.counts.observations, file.counts.points})
            (out += ',') += std::to_string(count);
        out += ',';
        std::string messages, reasons;
        for (std::size_t i = 0; i < file.messages.size(); ++i) {
            if (i) {
                messages += '\n';
                reasons += '\n';
            }
            messages += file.messages[i];
            reasons += file.reasons[i];
        }
        Host::AppendCsvField(out, messages);
        out += ',';
        if (file.AnyReason()) Host::AppendCsvField(out, reasons);
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
