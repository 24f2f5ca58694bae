// jxl-import's output formats, each written as the import goes (tool/import_summary.h).
//
// A new format: a class derived from CFormat (streaming, or taking whole files with
// WholeFiles()), its factory here, and a row in Formats().
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tool/format_html.h"
#include "tool/import_summary.h"
#include "tool/output.h"

namespace Tool {

enum class OutputFormat { Table, Csv, Json, Calls, Html };

// `run`: the settings the import runs with, for a format that shows them.
std::unique_ptr<CFormat> MakeTableFormat(COutput& out, const HtmlRun& run);
std::unique_ptr<CFormat> MakeCsvFormat(COutput& out, const HtmlRun& run);
std::unique_ptr<CFormat> MakeJsonFormat(COutput& out, const HtmlRun& run);
std::unique_ptr<CFormat> MakeCallsFormat(COutput& out, const HtmlRun& run);
std::unique_ptr<CFormat> MakeHtmlFormat(COutput& out, const HtmlRun& run);

struct FormatEntry {
    const char* name;  // as --format takes it
    OutputFormat format;
    std::unique_ptr<CFormat> (*make)(COutput& out, const HtmlRun& run);
};

// Every format, in the order the help lists them.
const std::vector<FormatEntry>& Formats();

std::unique_ptr<CFormat> MakeFormat(OutputFormat format, COutput& out, const HtmlRun& run);

}  // namespace Tool
