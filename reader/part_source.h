// The parts of a well-formed document that the walk wants, parsed one after another.
//
// A part is parsed on its own, in place, into one document object whose tree lives until
// the next part. For a large file a second thread parses the parts ahead of the walk, a
// batch at a time, while the walk hands the ones before to the host: RapidXML's parse is
// the larger half of a record's cost. The host is only ever called from the walk's
// thread, and the walk sees the same trees in the same order, and what stopped a parse
// (a changed file, memory running out) at the same place, as on one thread.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "reader/screen.h"
#include "reader/text_window.h"
#include "reader/xml.h"

namespace Reader {

// The part whose text begins at `begin`, parsed in place into this document. The tree
// lives until the next Parse; the byte after the part, which belongs to what surrounds it,
// is its terminator while RapidXML reads it and is put back after. Throws
// rapidxml::parse_error, and CFileTooLarge when memory runs out.
class CPartParser {
public:
    CPartParser();
    XmlNode* Parse(char* begin, std::size_t size);

private:
    XmlDocument m_document;
};

// The children of one section, and which of them the walk wants parsed, by name.
struct PartRun {
    const std::vector<TextSpan>* parts;
    std::function<bool(std::string_view name)> wanted;
};

// The wanted parts of the runs in order, each brought into the window.
class CPartCursor {
public:
    CPartCursor(CTextWindow& text, std::vector<PartRun> runs) : m_text(text), m_runs(std::move(runs)) {}

    enum class Step { Part, EndOfRun, End };
    // The next wanted part: its text at `begin` in the window, until the next call.
    Step Next(char*& begin, std::size_t& size);
    // The text of the runs, from each one's first part to its last.
    std::size_t TextSize() const;

    CTextWindow& Text() const { return m_text; }
    const std::vector<PartRun>& Runs() const { return m_runs; }

private:
    CTextWindow& m_text;
    const std::vector<PartRun> m_runs;
    std::size_t m_run = 0, m_part = 0;
};

class CPartSource {
public:
    // The runs' parts are read through `text`, which only the source uses from now on;
    // `wanted` may be called from another thread.
    CPartSource(CTextWindow& text, std::vector<PartRun> runs);
    ~CPartSource();
    CPartSource(const CPartSource&) = delete;
    CPartSource& operator=(const CPartSource&) = delete;

    // The tree of the next wanted part of the current run, valid until the next call;
    // null at the run's end, and the next call begins the next run. Throws what stopped
    // the part's reading or parse (rapidxml::parse_error, CFileChanged, CFileTooLarge).
    XmlNode* Next();

    // The runs are parsed ahead on a thread of their own from this much text on: below
    // it, starting the thread costs more than it saves. The fuzzing build parses every
    // file ahead, so that the fuzzers hold this path to the reference too.
#ifdef JXL_PARSE_AHEAD_FROM
    static constexpr std::size_t kAheadFrom = JXL_PARSE_AHEAD_FROM;
#else
    static constexpr std::size_t kAheadFrom = std::size_t{1} << 20;
#endif

private:
    class CAhead;
    CPartCursor m_cursor;
    CPartParser m_parser;             // on this thread,
    std::unique_ptr<CAhead> m_ahead;  // or ahead of it
};

}  // namespace Reader
