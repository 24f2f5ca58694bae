#include "tool/formats.h"

namespace Tool {

const std::vector<FormatEntry>& Formats() {
    static const std::vector<FormatEntry> formats = {
        {"table", OutputFormat::Table, MakeTableFormat},
        {"csv", OutputFormat::Csv, MakeCsvFormat},
        {"json", OutputFormat::Json, MakeJsonFormat},
        {"calls", OutputFormat::Calls, MakeCallsFormat},
        {"html", OutputFormat::Html, MakeHtmlFormat},
    };
    return formats;
}

std::unique_ptr<CFormat> MakeFormat(OutputFormat format, COutput& out, const HtmlRun& run) {
    for (const FormatEntry& entry : Formats())
        if (entry.format == format) return entry.make(out, run);
    return MakeTableFormat(out, run);
}

namespace {

// The HTML report takes a whole file at a time: the summary keeps that file's items
// (never more than one file's) and hands them over at its end.
class CHtmlFormat final : public CFormat {
public:
    CHtmlFormat(COutput& out, const HtmlRun& run) : m_out(out), m_report(run, [this](const std::string& piece) {
        m_out.Write(piece);
        m_out.Flush();
    }) {}

    bool WholeFiles() const override { return true; }
    void BeginImport() override { m_report.Begin(); }
    void EndFile(const ImportedFile& file) override { m_report.AddFile(file); }
    void EndImport(const ImportTotals& totals) override { m_report.End(totals); }

private:
    COutput& m_out;
    CHtmlReport m_report;
};

}  // namespace

std::unique_ptr<CFormat> MakeHtmlFormat(COutput& out, const HtmlRun& run) { return std::make_unique<CHtmlFormat>(out, run); }

}  // namespace Tool
