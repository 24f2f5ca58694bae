#include "support.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "host/file_list.h"
#include "host/plugin_library.h"
#include "host/receiver.h"
#include "host/settings.h"
#include "platform/utf.h"

namespace Support {

CreatePluginFunction LibraryEntry() {
    static Host::CPluginLibrary library;
    static const CreatePluginFunction create = [] {
        std::string error;
        if (!library.Load(Host::CPluginLibrary::DefaultPath(), &error)) throw std::runtime_error(error);
        return library.CreatePlugin();
    }();
    return create;
}

CreatePluginFunction ReferenceLibraryEntry() {
    static Host::CPluginLibrary library;
    static const CreatePluginFunction create = [] {
        std::string error;
        if (!library.Load(ReferenceLibraryPath(), &error)) throw std::runtime_error(error);
        return library.CreatePlugin();
    }();
    return create;
}

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

PluginPtr CreatePlugin() { return PluginPtr(LibraryEntry()()); }

std::string ReferenceLibraryPath() {
    std::string path = Host::CPluginLibrary::DefaultPath();
    const std::size_t extension = path.find_last_of('.');
    return path.insert(extension, "_reference");
}

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

std::vector<std::string> ImportCalls(const std::vector<std::string>& paths, const Settings& settings) {
    std::vector<std::string> lines = ImportCallsThrough(LibraryEntry(), paths, settings);
    // Every import of every test is also one of the differential test's cases: the reader
    // in its plainest form must give the host the very same calls.
    EXPECT_EQ(ImportCallsThrough(ReferenceLibraryEntry(), paths, settings), lines)
        << "the reference reader gives the host other calls";
    return lines;
}

std::vector<std::string> ImportCallsThrough(CreatePluginFunction create, const std::vector<std::string>& paths,
                                            const Settings& settings) {
    PluginPtr plugin(create());
    Host::CSettingsStore store;
    store.values = {{"ConsiderPrismConstant", settings.prismConstant},
                    {"ParseFieldBookNode", settings.fieldBook},
                    {"ParseReductionsNode", settings.reductions}};
    Host::CSettingsReader reader(store);
    plugin->LoadSettings(&reader);

    std::vector<Plugin::WString> widePaths;
    for (const std::string& path : paths) widePaths.push_back(Platform::FileNameFromBytes(path));
    Host::CFileList files(std::move(widePaths));
    Host::CallRecorder recorder;
    Host::CRecordingReceiver receiver(&recorder);
    plugin->Import(&files, &receiver);

    std::vector<std::string> lines;
    for (const Host::Call& call : recorder.calls) lines.push_back(Host::ToJsonLine(call));
    if (recorder.liveObjects != 0) lines.push_back("(host objects left alive: " + std::to_string(recorder.liveObjects) + ")");
    return lines;
}

std::vector<std::string> Walk(const std::string& xml, const Settings& settings) {
    const std::vector<std::string> all = ImportCalls({WriteScratchFile("walk.jxl", xml)}, settings);
    const std::string start = R"({"op":"SetProgress","arg":50})";
    const std::string end = R"({"op":"SetProgress","arg":100})";
    auto first = std::find(all.begin(), all.end(), start);
    auto last = std::find(all.begin(), all.end(), end);
    if (first == all.end() || last == all.end() || last < first) return all;  // show everything
    return {first + 1, last};
}

std::string FieldBook(const std::string& records) {
    return "<?xml version=\"1.0\"?>\n<JOBFile>\n<FieldBook>\n" + records + "\n</FieldBook>\n<Reductions/>\n</JOBFile>\n";
}

std::string Reductions(const std::string& points) {
    return "<?xml version=\"1.0\"?>\n<JOBFile>\n<FieldBook/>\n<Reductions>\n" + points + "\n</Reductions>\n</JOBFile>\n";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
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

std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::string BeginFile(const std::string& path) {
    return R"({"op":"BeginFile","arg":)" + Host::JsonString(path) + "}";
}

const std::vector<std::string>& ParsersMade() {
    static const std::vector<std::string> lines = Lines(R"(
        {"op":"GetValueParserFactory"}
        {"op":"CreateLinearParser","arg":0}
        {"op":"CreateAngleParser","arg":3}
        {"op":"CreatePressureParser","arg":1}
        {"op":"CreateTemperatureParser","arg":0}
        {"op":"Release","arg":"factory"}
    )");
    return lines;
}

const std::vector<std::string>& ParsersReleased() {
    static const std::vector<std::string> lines = Lines(R"(
        {"op":"Release","arg":"pressure"}
        {"op":"Release","arg":"temperature"}
        {"op":"Release","arg":"angle"}
        {"op":"Release","arg":"linear"}
    )");
    return lines;
}

void ExpectWalks(const std::vector<WalkCase>& cases) {
    for (const WalkCase& each : cases) {
        SCOPED_TRACE(each.behaviour);
        EXPECT_EQ(Walk(each.document, each.settings), Lines(each.expected));
    }
}

std::string ToUtf8(Plugin::WStringView text) { return Platform::ToUtf8(text); }
Plugin::WString FromUtf8(const std::string& text) { return Platform::FromUtf8(text); }

}  // namespace Support
