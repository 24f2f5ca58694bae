#include "support.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include <gtest/gtest.h>

#include "host/plugin_library.h"
#include "host/receiver.h"
#include "host/settings.h"
#include "host/text.h"
#include "platform/utf.h"

namespace Support {

// ---- The libraries ---------------------------------------------------------------------

namespace {

std::string LibraryPath(Library library) {
    std::string path = Host::CPluginLibrary::DefaultPath();
    if (library == Library::Reference) path.insert(path.find_last_of('.'), "_reference");
    return path;
}

CreatePluginFunction Entry(Library library) {
    static Host::CPluginLibrary libraries[2];
    static CreatePluginFunction entries[2] = {};
    const int which = library == Library::Plugin ? 0 : 1;
    if (!entries[which]) {
        std::string error;
        if (!libraries[which].Load(LibraryPath(library), &error)) throw std::runtime_error(error);
        entries[which] = libraries[which].CreatePlugin();
    }
    return entries[which];
}

}  // namespace

PluginPtr CreatePlugin(Library library) { return PluginPtr(Entry(library)()); }

std::vector<std::string> SavedSettings(Plugin::IGroundBasedMIP* plugin) {
    Host::CSettingsStore store;
    Host::CSettingsWriter writer(store);
    plugin->SaveSettings(&writer);
    return writer.calls;
}

std::string BesideTests(const std::string& name) {
    std::string path = Host::CPluginLibrary::DefaultPath();
    return path.erase(path.find_last_of("\\/") + 1) + name;
}

// ---- Files -----------------------------------------------------------------------------

namespace {

// The folder goes with the object that names it: a separate cleanup object, made before
// the first call, would outlive the path and read it after its destruction.
struct ScratchFolderOwner {
    std::filesystem::path path;
    ~ScratchFolderOwner() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

const std::filesystem::path& ScratchFolder() {
    static const ScratchFolderOwner folder{[] {
        const auto unique = std::to_string(std::random_device{}()) + "-" +
                            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
        auto path = std::filesystem::temp_directory_path() / ("jxl-tests-" + unique);
        std::filesystem::create_directories(path);
        return path;
    }()};
    return folder.path;
}

}  // namespace

// Paths in UTF-8 on both systems, so that names beyond ASCII survive on Windows too.
std::string ScratchPath(const std::string& name) {
    return (ScratchFolder() / std::filesystem::u8path(name)).u8string();
}

std::string WriteScratchFile(const std::string& name, const std::string& bytes) {
    const std::string path = ScratchPath(name);
    std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Host::CFileList FileList(const std::vector<std::string>& paths) {
    std::vector<Plugin::WString> wide;
    for (const std::string& path : paths) wide.push_back(Platform::FileNameFromBytes(path));
    return Host::CFileList(std::move(wide));
}

// ---- Imports ---------------------------------------------------------------------------

Trace TraceOf(const Host::CallRecorder& recorder) {
    Trace lines;
    for (const Host::Call& call : recorder.calls) lines.push_back(Host::ToJsonLine(call));
    if (recorder.liveObjects != 0) lines.push_back("(host objects left alive: " + std::to_string(recorder.liveObjects) + ")");
    return lines;
}

Trace Import(Library library, const std::vector<std::string>& paths, const Settings& settings) {
    PluginPtr plugin = CreatePlugin(library);
    Host::CSettingsStore store;
    store.values = {{"ConsiderPrismConstant", settings.prismConstant},
                    {"ParseFieldBookNode", settings.fieldBook},
                    {"ParseReductionsNode", settings.reductions}};
    Host::CSettingsReader reader(store);
    plugin->LoadSettings(&reader);

    Host::CFileList files = FileList(paths);
    Host::CallRecorder recorder;
    Host::CRecordingReceiver receiver(&recorder);
    plugin->Import(&files, &receiver);
    return TraceOf(recorder);
}

namespace {

// A line too long to read is shown by its length and its ends.
std::string Shown(const std::string& line) {
    if (line.size() <= 400) return line;
    return line.substr(0, 100) + "…(" + std::to_string(line.size()) + " bytes)…" + line.substr(line.size() - 100);
}

// Both traces from a little before their first difference, a line each.
void ExpectSameLines(const Trace& actual, const Trace& expected, const std::string& what, const char* actualName,
                     const char* expectedName) {
    if (actual == expected) return;
    std::size_t first = 0;
    while (first < actual.size() && first < expected.size() && actual[first] == expected[first]) ++first;
    const std::size_t from = first > 3 ? first - 3 : 0, shown = 40;
    std::string message = what + ", from line " + std::to_string(first + 1) + " on";
    if (first < actual.size() && first < expected.size()) {
        const auto [in, _] = std::mismatch(actual[first].begin(), actual[first].end(), expected[first].begin(),
                                           expected[first].end());
        message += " (its byte " + std::to_string(in - actual[first].begin() + 1) + ")";
    }
    message += ":";
    for (const auto& [name, lines] : {std::pair{actualName, &actual}, std::pair{expectedName, &expected}}) {
        message += "\n  " + std::string(name) + " (" + std::to_string(lines->size()) + " lines)";
        if (from > 0) message += "\n    …";
        for (std::size_t i = from; i < lines->size() && i < from + shown; ++i)
            message += (i == first ? "\n  > " : "\n    ") + Shown((*lines)[i]);
        if (lines->size() > from + shown) message += "\n    …";
    }
    ADD_FAILURE() << message;
}

}  // namespace

void ExpectTheReferenceAgrees(const Trace& calls, const std::vector<std::string>& paths, const Settings& settings) {
    ExpectTheReferenceAgrees(calls, Import(Library::Reference, paths, settings));
}

void ExpectTheReferenceAgrees(const Trace& calls, const Trace& reference) {
    ExpectSameLines(reference, calls, "the reference reader gives the host other calls", "reference library",
                    "plug-in library");
}

// ---- Slices of a trace -----------------------------------------------------------------

namespace {

const std::string kProgress50 = R"({"op":"SetProgress","arg":50})";
const std::string kProgress100 = R"({"op":"SetProgress","arg":100})";
const std::string kFactoryReleased = R"({"op":"Release","arg":"factory"})";

struct Range {
    Trace::const_iterator begin, end;
    bool found;
};

Range SliceOf(const Trace& calls, Slice slice) {
    if (slice == Slice::Whole) return {calls.begin(), calls.end(), true};
    const std::string& opening = slice == Slice::Walk ? kProgress50 : kFactoryReleased;
    const auto first = std::find(calls.begin(), calls.end(), opening);
    const auto last = first == calls.end() ? calls.end() : std::find(first + 1, calls.end(), kProgress100);
    if (last == calls.end()) return {calls.begin(), calls.end(), false};
    return {first + 1, slice == Slice::Walk ? last : last + 1, true};
}

}  // namespace

Trace Sliced(const Trace& calls, Slice slice) {
    const Range range = SliceOf(calls, slice);
    return {range.begin, range.end};
}

Trace Framed(Slice slice, const std::string& path, const Trace& inside) {
    switch (slice) {
    case Slice::Walk:
        return Joined({{Call("BeginFile", path)}, ParsersMade(), {kProgress50}, inside, {kProgress100}, ParsersReleased()});
    case Slice::File: return Joined({{Call("BeginFile", path)}, ParsersMade(), inside, ParsersReleased()});
    case Slice::Whole: break;
    }
    return inside;
}

const Trace& ParsersMade() {
    static const Trace lines = Lines(R"(
        {"op":"GetValueParserFactory"}
        {"op":"CreateLinearParser","arg":0}
        {"op":"CreateAngleParser","arg":3}
        {"op":"CreatePressureParser","arg":1}
        {"op":"CreateTemperatureParser","arg":0}
        {"op":"Release","arg":"factory"}
    )");
    return lines;
}

const Trace& ParsersReleased() {
    static const Trace lines = Lines(R"(
        {"op":"Release","arg":"pressure"}
        {"op":"Release","arg":"temperature"}
        {"op":"Release","arg":"angle"}
        {"op":"Release","arg":"linear"}
    )");
    return lines;
}

// ---- Tables of cases -------------------------------------------------------------------

Input Input::Files(std::vector<std::string> paths) {
    Input input;
    input.m_paths = std::move(paths);
    return input;
}

std::vector<std::string> Input::Paths() const {
    if (!m_isDocument) return m_paths;
    return {WriteScratchFile("document.jxl", m_document)};
}

const std::string& DocumentPath() {
    static const std::string path = ScratchPath("document.jxl");
    return path;
}

namespace {

const std::string kFFFD = "\xEF\xBF\xBD";

Trace Comparable(Trace lines, Compare compare) {
    if (compare == Compare::ReplacementRunsAsOne)
        for (std::string& line : lines)
            for (std::size_t at = line.find(kFFFD + kFFFD); at != std::string::npos; at = line.find(kFFFD + kFFFD, at))
                line.erase(at, kFFFD.size());
    return lines;
}

}  // namespace

void ExpectTraces(Slice slice, const std::vector<TraceCase>& cases, Compare compare) {
    for (const TraceCase& each : cases) {
        SCOPED_TRACE(each.behaviour);
        const std::vector<std::string> paths = each.input.Paths();

        // The import through the plug-in library.
        const Trace calls = Import(Library::Plugin, paths, each.settings);

        // The same import through the reference library.
        ExpectTheReferenceAgrees(calls, paths, each.settings);

        // The slice. Around it, the file of a document gives the host its usual calls and
        // leaves no host object alive.
        const Range range = SliceOf(calls, slice);
        const Trace inside(range.begin, range.end);
        if (each.input.IsDocument() && slice != Slice::Whole && range.found)
            ExpectSameLines(calls, Framed(slice, DocumentPath(), inside), "the file's calls around its slice",
                            "the host was given", "expected");

        // The slice against the expected lines.
        ExpectSameLines(Comparable(inside, compare), Comparable(each.expected.lines, compare),
                        "the host was given other calls", "the host was given", "expected");
    }
}

// ---- Pieces of documents and traces ----------------------------------------------------

std::string FieldBook(const std::string& records) {
    return "<?xml version=\"1.0\"?>\n<JOBFile>\n<FieldBook>\n" + records + "\n</FieldBook>\n<Reductions/>\n</JOBFile>\n";
}

std::string Reductions(const std::string& points) {
    return "<?xml version=\"1.0\"?>\n<JOBFile>\n<FieldBook/>\n<Reductions>\n" + points + "\n</Reductions>\n</JOBFile>\n";
}

Piece Stations(int from, int count) {
    Piece piece;
    for (int i = from; i < from + count; ++i) {
        const std::string name = "S" + std::to_string(i), height = "1." + std::to_string(i % 1000);
        std::string number = height;  // as the calls write it: no trailing zeros
        while (number.back() == '0') number.pop_back();
        if (number.back() == '.') number.pop_back();
        piece.text += "<StationRecord><StationName>" + name + "</StationName><TheodoliteHeight>" + height +
                      "</TheodoliteHeight></StationRecord>\n";
        piece.lines.insert(piece.lines.end(),
                           {Call("AddStation", name), R"({"op":"Parse","parser":"linear","arg":")" + height + R"(","result":)" + number + "}",
                            R"({"op":"SetInstrumentHeight","arg":)" + number + "}"});
    }
    return piece;
}

Trace Lines(const std::string& text) {
    Trace lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        const auto first = line.find_first_not_of(" \t\r");
        if (first != std::string::npos) lines.push_back(line.substr(first, line.find_last_not_of(" \t\r") - first + 1));
        start = end + 1;
    }
    return lines;
}

Trace Joined(std::initializer_list<Trace> parts) {
    Trace all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::string Call(const std::string& op, const std::string& text) {
    return R"({"op":")" + op + R"(","arg":)" + Host::JsonString(text) + "}";
}

const char* const kMalformed = R"(
    {"op":"SetResult","arg":-1}
    {"op":"ShowMessage","arg":"Ошибка в формате файла"}
    {"op":"SetProgress","arg":100}
)";

}  // namespace Support
