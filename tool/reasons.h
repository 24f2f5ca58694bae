// Why the plug-in reported a file, found out by the tool's own look at it after the
// import: for a file it could not open, the system's reason; for a badly formed one, where
// RapidXML stops and what it expected, or what the plug-in missed in the document's
// structure. Nothing found, no reason: one is never guessed.
#pragma once

#include <string>
#include <vector>

namespace Tool {

// The host's two texts a reason is added to, as the plug-in shows them.
extern const char kCannotOpenText[];  // "Не удается открыть файл"
extern const char kBadFormatText[];   // "Ошибка в формате файла"

// The import settings that decide what the plug-in asks of a document.
struct SectionSettings {
    bool fieldBook = true;
    bool reductions = true;
};

// The reasons for one file's messages, one for each, empty where none is known. `path` is
// the file the plug-in was given; only a file with a message is looked at again, and read
// again only for a badly formed one.
std::vector<std::string> ReasonsFor(const std::string& path, const std::vector<std::string>& messages,
                                    const SectionSettings& settings);

}  // namespace Tool
