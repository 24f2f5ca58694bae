// Drives the real plug-in library the way a host does, and reads back what it did. Every
// suite of imports is a table of cases run by ExpectTraces.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "host/calls.h"
#include "host/file_list.h"
#include "sdk/interfaces.h"
#include "sdk/ref_ptr.h"

namespace Support {

struct Settings {
    bool prismConstant = true;
    bool fieldBook = true;
    bool reductions = true;
};

using PluginPtr = Plugin::CRefPtr<Plugin::IGroundBasedMIP>;

// Calls as lines of the `calls` format.
using Trace = std::vector<std::string>;

// ---- The libraries ---------------------------------------------------------------------

// The plug-in library beside the tests, and the reference library: the same plug-in with
// the reader in its plainest form (built with JXL_REFERENCE_READER, reader/CMakeLists.txt).
enum class Library { Plugin, Reference };

PluginPtr CreatePlugin(Library library = Library::Plugin);

// What SaveSettings writes, a "Key=value" line per setting in the order written.
std::vector<std::string> SavedSettings(Plugin::IGroundBasedMIP* plugin);

// A file beside the test executable, where the builds put libraries and programs.
std::string BesideTests(const std::string& name);

// ---- Files -----------------------------------------------------------------------------

// A fresh path in the tests' scratch folder, and a file written there; paths in UTF-8.
std::string ScratchPath(const std::string& name);
std::string WriteScratchFile(const std::string& name, const std::string& bytes);
std::string ReadFile(const std::string& path);

// The host's list of these paths, taken as bytes, as jxl-import takes its arguments.
Host::CFileList FileList(const std::vector<std::string>& paths);

// ---- Imports ---------------------------------------------------------------------------

// What the host objects of one import recorded, with a last line for every host object the
// plug-in left alive.
Trace TraceOf(const Host::CallRecorder& recorder);

// Every call of one import of these files through one library, with these settings.
Trace Import(Library library, const std::vector<std::string>& paths, const Settings& settings = {});

// The reference library must give the host the very same calls as the plug-in library: for
// the import of these files with these settings, or for a host of the test's own that made
// both traces.
void ExpectTheReferenceAgrees(const Trace& calls, const std::vector<std::string>& paths, const Settings& settings);
void ExpectTheReferenceAgrees(const Trace& calls, const Trace& reference);

// ---- Slices of a trace -----------------------------------------------------------------

enum class Slice {
    Walk,   // between progress 50 and progress 100: what the walk over the document gave
    File,   // from the first call after the value parsers were made through progress 100
    Whole,  // every call of the import
};

// The calls of the slice of the first file; every call when the file has no such slice.
Trace Sliced(const Trace& calls, Slice slice);

// One file's calls around the lines of its slice: announced, its value parsers made,
// [progress 50,] the lines, [progress 100,] the parsers given back.
Trace Framed(Slice slice, const std::string& path, const Trace& inside);

// What every file that opens gives the host around its parse: the four value parsers made
// through the factory, and given back after the file.
const Trace& ParsersMade();
const Trace& ParsersReleased();

// ---- Tables of cases -------------------------------------------------------------------

// What a case imports: one document, written to DocumentPath(), or paths as they are
// (files written beforehand, missing ones, folders, devices, several in turn).
class Input {
public:
    Input(std::string document) : m_document(std::move(document)), m_isDocument(true) {}
    Input(const char* document) : Input(std::string(document)) {}
    static Input Files(std::vector<std::string> paths);

    bool IsDocument() const { return m_isDocument; }
    // The paths to import, the document written first.
    std::vector<std::string> Paths() const;

private:
    Input() = default;
    std::string m_document;
    std::vector<std::string> m_paths;
    bool m_isDocument = false;
};

const std::string& DocumentPath();

// Expected lines written one per line, indentation and blank lines ignored.
Trace Lines(const std::string& text);

// The calls a case expects: text as for Lines, or lines put together in code.
struct Expected {
    Expected() = default;
    Expected(const char* text) : lines(Lines(text)) {}
    Expected(const std::string& text) : lines(Lines(text)) {}
    Expected(Trace lines) : lines(std::move(lines)) {}
    Trace lines;
};

struct TraceCase {
    std::string behaviour;  // names the case when it fails
    Input input;
    Expected expected;
    Settings settings = {};
};

enum class Compare {
    Exactly,
    // How many U+FFFD an ill-formed UTF-8 sequence becomes is the system decoder's choice
    // (every maximal ill-formed subpart one, on Linux; Windows may count otherwise): a run
    // of them compares as one.
    ReplacementRunsAsOne,
};

// Each case in turn: imported through the plug-in library; imported through the reference
// library, which must give the host the very same calls; the slice taken (for a document,
// the calls around it must be the file's usual ones); the slice compared with the
// expected lines. Every failure names its case.
void ExpectTraces(Slice slice, const std::vector<TraceCase>& cases, Compare compare = Compare::Exactly);

// ---- Pieces of documents and traces ----------------------------------------------------

// A JobXML document with this text inside its FieldBook, and one with this text inside
// its Reductions (the other section present and empty).
std::string FieldBook(const std::string& records);
std::string Reductions(const std::string& points);

// Records put together in code, for large files: their text, and the calls the walk makes
// for them.
struct Piece {
    std::string text;
    Trace lines;
};
// `count` station records numbered from `from` on, each with an instrument height: three
// calls each.
Piece Stations(int from, int count);

// Expected lines put together: the parts one after the other.
Trace Joined(std::initializer_list<Trace> parts);

// The line of a call that takes one text, such as BeginFile or AddStation.
std::string Call(const std::string& op, const std::string& text);

// The lines of a file that is reported as badly formed before it could be parsed, as the
// File slice shows them.
extern const char* const kMalformed;

}  // namespace Support
