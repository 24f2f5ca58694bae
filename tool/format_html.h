// The HTML report: one self-contained page (inline CSS and SVG, no script) with, per
// file, a plan of its points and set-ups, its items in tables, its messages, totals and
// outcome. Written a piece at a time: the page's head, then one section per file as each
// file is complete, then the foot with the totals over all files.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "tool/import_summary.h"

namespace Tool {

// The settings an import ran with, as the plug-in held them.
struct HtmlSetting {
    std::string key;     // ConsiderPrismConstant
    std::string option;  // --prism-constant
    bool on = false;
};

struct HtmlRun {
    std::vector<HtmlSetting> settings;
    std::string settingsFile;  // empty: none
};

class CHtmlReport {
public:
    // Receives the page in pieces, in order; each piece is whole UTF-8.
    using Sink = std::function<void(const std::string&)>;

    CHtmlReport(HtmlRun run, Sink sink);

    void Begin();                         // the page's head, once
    void AddFile(const ImportedFile& file);  // one section, with everything of the file
    void End(const ImportTotals& totals);  // totals over the files, the outcomes, the foot

private:
    void Put(const std::string& text);
    void Flush();

    HtmlRun m_run;
    Sink m_sink;
    std::string m_buffer;

    // What the import's totals do not count.
    struct Totals {
        std::size_t files = 0, messages = 0;
        std::size_t drawnPoints = 0, rays = 0;
    } m_totals;
};

}  // namespace Tool
