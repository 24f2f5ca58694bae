#include "tool/reasons.h"

#include <algorithm>
#include <new>

#include "tool/files.h"
#include "xml/screen.h"
#include "xml/xml.h"

namespace Tool {

const char kCannotOpenText[] = "Не удается открыть файл";
const char kBadFormatText[] = "Ошибка в формате файла";

namespace {

// "line L, column C" of the byte at `offset`, both counted from 1, columns in bytes (a
// UTF-8 byte order mark at the start is not counted). Counted in the bytes as read, before
// RapidXML writes into its copy.
std::string Place(const std::string& bytes, std::size_t offset) {
    const std::size_t line = 1 + static_cast<std::size_t>(std::count(bytes.begin(), bytes.begin() + offset, '\n'));
    const std::size_t lineStart = line == 1 ? (bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0)
                                            : bytes.rfind('\n', offset - 1) + 1;
    std::string place = "line " + std::to_string(line) + ", column " + std::to_string(offset - lineStart + 1);
    if (offset == bytes.size()) place += " (the end of the file)";
    else if (bytes[offset] == '\0') place += " (a zero byte: the plug-in reads the text up to it)";
    return place;
}

// What RapidXML says of a text the screen found badly formed: it parses a copy, since it
// writes into the text it parses. The screen has made sure it nests no deeper than the
// reader lets RapidXML go.
std::string ParseError(const std::string& bytes) {
    std::vector<char> text(bytes.c_str(), bytes.c_str() + bytes.size() + 1);
    Reader::XmlDocument document;
    try {
        document.parse<Reader::kParseFlags>(text.data());
    } catch (const rapidxml::parse_error& error) {
        const std::size_t offset = static_cast<std::size_t>(error.where<char>() - text.data());
        return std::string("not well-formed XML at ") + Place(bytes, offset) + ": " + error.what();
    }
    return {};  // the screen and RapidXML disagree: nothing sure to say
}

// One reason for each "badly formed" message the plug-in gives for `bytes`, in the order it
// gives them: the reader's own steps, through the same screen.
std::vector<std::string> BadFormatReasons(const std::string& bytes, const SectionSettings& settings) {
    if (bytes.empty()) return {"the file is empty"};
    if (bytes.rfind("\xFF\xFE", 0) == 0 || bytes.rfind("\xFE\xFF", 0) == 0)
        return {"the file is UTF-16 text (it starts with a UTF-16 byte order mark); the plug-in reads UTF-8 and "
                "the Windows code pages"};
    Reader::DocumentOutline outline;
    switch (Reader::ScreenDocument(bytes.c_str(), outline)) {
    case Reader::Screened::Refused:
        if (outline.refusal == Reader::DocumentOutline::Refusal::Nesting)
            return {"elements nest deeper than " + std::to_string(Reader::kMaxNesting) +
                    " levels, more than the plug-in reads, at " + Place(bytes, outline.refusedAt)};
        if (outline.refusal == Reader::DocumentOutline::Refusal::CharacterReference)
            return {"a character reference the plug-in does not read (above U+10FFFF, or letters among decimal "
                    "digits) at " + Place(bytes, outline.refusedAt)};
        return {};
    case Reader::Screened::Malformed: return {ParseError(bytes)};
    case Reader::Screened::WellFormed: break;
    }
    if (!outline.root) return {"there is no JOBFile element at the top level"};
    std::vector<std::string> reasons;
    if (settings.fieldBook && !outline.fieldBook)
        reasons.push_back("the JOBFile element has no FieldBook section; --field-book off imports the file without it");
    if (settings.reductions && !outline.reductions)
        reasons.push_back("the JOBFile element has no Reductions section; --reductions off imports the file without it");
    return reasons;
}

}  // namespace

std::vector<std::string> ReasonsFor(const std::string& path, const std::vector<std::string>& messages,
                                    const SectionSettings& settings) {
    std::vector<std::string> reasons(messages.size());
    std::vector<std::string> badFormat;
    bool read = false;
    std::size_t nextBadFormat = 0;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        if (messages[i] == kCannotOpenText) {
            reasons[i] = OpenFailure(path);
        } else if (messages[i] == kBadFormatText) {
            if (!read) {
                read = true;
                // The file's copies and RapidXML's tree of it may not fit in what the plug-in
                // left: then no reason, and the import goes on.
                try {
                    std::string bytes, failure;
                    if (ReadWholeFile(path, &bytes, &failure)) badFormat = BadFormatReasons(bytes, settings);
                } catch (const std::bad_alloc&) {
                    badFormat.clear();
                }
            }
            if (nextBadFormat < badFormat.size()) reasons[i] = badFormat[nextBadFormat++];
        }
    }
    return reasons;
}

}  // namespace Tool
