// Import over a list of files: each announced, read whole and walked on its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/file_list.h"
#include "host/receiver.h"
#include "support.h"

namespace {

using Support::Call;
using Support::FieldBook;
using Support::Framed;
using Support::Input;
using Support::Joined;
using Support::Lines;
using Support::Slice;
using Support::WriteScratchFile;

const std::string kStation = "<StationRecord><StationName>S1</StationName></StationRecord>";

Support::Trace Unopened(const std::string& path) { return {Call("BeginFile", path), Call("ShowMessage", "Не удается открыть файл")}; }

TEST(ImportDriver, EachFileInListOrder) {
    const std::string missing = Support::ScratchPath("missing.jxl");
    const std::string folder = Support::ScratchPath("folder.jxl");
    std::filesystem::create_directories(std::filesystem::u8path(folder));
    const std::string good = WriteScratchFile("good.jxl", FieldBook(kStation));
    const std::string first = WriteScratchFile("first.jxl", "<JOBFile/>");
    const std::string second = WriteScratchFile("second.jxl", "<JOB");
    const std::string tables = WriteScratchFile("tables-1.jxl", FieldBook(R"(
        <AtmosphereRecord ID="a1"><Pressure>1000</Pressure></AtmosphereRecord>
        <TargetRecord ID="t1"><TargetHeight>1.5</TargetHeight></TargetRecord>)"));
    const std::string lookups = WriteScratchFile("tables-2.jxl", FieldBook(R"(
        <StationRecord><StationName>S1</StationName><AtmosphereID>a1</AtmosphereID></StationRecord>
        <PointRecord><Name>P1</Name><TargetID>t1</TargetID><Circle/></PointRecord>)"));
    const std::string beyondAscii = WriteScratchFile("съёмка 測量.jxl", "<JOBFile><FieldBook/><Reductions/></JOBFile>");
    Support::ExpectTraces(Slice::Whole, {
        {"an empty list makes no call", Input::Files({}), ""},
        {"files that cannot be opened do not stop the next", Input::Files({missing, folder, "", good}),
         Joined({Unopened(missing), Unopened(folder), Unopened(""), Framed(Slice::Walk, good, Lines(R"(
             {"op":"AddStation","arg":"S1"}
         )"))})},
        {"each file with value parsers of its own", Input::Files({first, second}),
         Joined({Framed(Slice::Walk, first, {}), Framed(Slice::File, second, Lines(R"(
             {"op":"SetResult","arg":-1}
             {"op":"ShowMessage","arg":"Ошибка в формате файла"}
             {"op":"SetProgress","arg":100}
         )"))}), {true, false, false}},
        {"targets and atmospheres do not carry to the next file", Input::Files({tables, lookups}),
         Joined({Framed(Slice::Walk, tables, Lines(R"(
             {"op":"Parse","parser":"pressure","arg":"1000","result":1000}
             {"op":"Parse","parser":"linear","arg":"1.5","result":1.5}
         )")), Framed(Slice::Walk, lookups, Lines(R"(
             {"op":"AddStation","arg":"S1"}
             {"op":"AddObservation","arg":"P1"}
         )"))})},
        {"a path beyond ASCII", Input::Files({beyondAscii}), Framed(Slice::Walk, beyondAscii, {})},
    });
}

#ifndef _WIN32
// A name here is bytes, and a Latin-1 one is still a file the user can open; the host shows
// the byte it cannot read as U+FFFD.
TEST(ImportDriver, PathsThatAreNotUtf8) {
    const std::string path = WriteScratchFile("caf\xE9 \xFF.jxl", FieldBook(kStation));
    std::string shown = path;
    for (const char* byte : {"\xE9", "\xFF"}) shown.replace(shown.find(byte), 1, "\xEF\xBF\xBD");
    Support::ExpectTraces(Slice::Whole, {
        {"Latin-1 and a byte that is never UTF-8", Input::Files({path}),
         Framed(Slice::Walk, shown, {Call("AddStation", "S1")})},
    });
}
#endif

// Imports `path` through `library` as the host does, rewriting the file with `bytes` when
// the first record reaches the host; every call.
Support::Trace ImportRewrittenAtTheFirstRecord(Support::Library library, const std::string& path, const std::string& bytes) {
    class CRewritingReceiver final : public Host::CRecordingReceiver {
    public:
        CRewritingReceiver(Host::CallRecorder* recorder, const std::string& path, const std::string& bytes)
            : CRecordingReceiver(recorder), m_path(path), m_bytes(bytes) {}
        void AddStation(const Plugin::WChar* name) override {
            if (!m_rewritten) {
                std::ofstream out(std::filesystem::u8path(m_path), std::ios::binary | std::ios::trunc);
                out.write(m_bytes.data(), static_cast<std::streamsize>(m_bytes.size()));
                m_rewritten = out.good();
            }
            CRecordingReceiver::AddStation(name);
        }
        bool m_rewritten = false;

    private:
        const std::string& m_path;
        const std::string& m_bytes;
    };
    Support::PluginPtr plugin = Support::CreatePlugin(library);
    Host::CFileList files = Support::FileList({path});
    Host::CallRecorder recorder;
    CRewritingReceiver receiver(&recorder, path, bytes);
    plugin->Import(&files, &receiver);
    EXPECT_TRUE(receiver.m_rewritten) << "the file was not rewritten";
    return Support::TraceOf(recorder);
}

// The file is read once, whole, before the first record reaches the host: what the host
// receives is the file as it was then, whatever is done to it while it is imported.
TEST(ImportDriver, AFileChangedWhileItIsImported) {
    const Support::Piece many = Support::Stations(0, 30000);  // some 2.5 MB
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    for (const std::string& job : {FieldBook(kStation + "<StationRecord><StationName>S2</StationName></StationRecord>"),
                                   FieldBook(many.text)}) {
        const struct {
            const char* behaviour;
            std::string bytes;
        } rewrites[] = {
            {"cut to zero bytes", ""},
            {"cut short", job.substr(0, job.size() / 2)},
            {"a name changed, the length kept", job.substr(0, job.find("S1")) + "X" + job.substr(job.find("S1") + 1)},
            {"nested far deeper than a file may be", FieldBook(kStation + deep)},
            {"grown to twice its length", job + job},
        };
        const std::string path = WriteScratchFile("rewritten.jxl", job);
        for (const Support::Library library : {Support::Library::Plugin, Support::Library::Reference}) {
            const Support::Trace untouched = Support::Import(library, {path});
            ASSERT_EQ(std::count(untouched.begin(), untouched.end(), R"({"op":"SetProgress","arg":100})"), 1);
            for (const auto& rewrite : rewrites) {
                SCOPED_TRACE(std::string(rewrite.behaviour) + ", a job of " + std::to_string(job.size()) + " bytes" +
                             (library == Support::Library::Reference ? ", the reference library" : ""));
                EXPECT_EQ(ImportRewrittenAtTheFirstRecord(library, path, rewrite.bytes), untouched);
                WriteScratchFile("rewritten.jxl", job);
            }
        }
    }
}

#ifndef _WIN32
// Bytes this process has read through the system so far.
long long BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return -1;
}

// The file is read once: the import reads as many bytes as the file holds. (The Windows
// build reads it with the same single read of the whole file, platform/input_file_win32.cpp;
// Wine keeps no count of a process's reads to check it by.)
TEST(ImportDriver, ReadsAFileOnce) {
    const Support::Piece many = Support::Stations(0, 30000);
    for (const std::string& job : {FieldBook(kStation), FieldBook(many.text), std::string("<JOBFile><FieldBook>")}) {
        SCOPED_TRACE(std::to_string(job.size()) + " bytes");
        const std::string path = WriteScratchFile("read-once.jxl", job);
        Support::PluginPtr plugin = Support::CreatePlugin();
        Host::CFileList files = Support::FileList({path});
        Host::CallRecorder recorder;
        Host::CRecordingReceiver receiver(&recorder);
        // The first reading of the count is itself counted in the second.
        std::ifstream io("/proc/self/io");
        const std::string before((std::istreambuf_iterator<char>(io)), std::istreambuf_iterator<char>());
        const long long start = std::stoll(before.substr(before.find("rchar:") + 6));
        plugin->Import(&files, &receiver);
        const long long end = BytesRead();
        ASSERT_GE(start, 0);
        EXPECT_EQ(end - start - static_cast<long long>(before.size()), static_cast<long long>(job.size()));
    }
}
#endif

}  // namespace
