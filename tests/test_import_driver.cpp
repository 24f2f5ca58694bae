// Import over a list of files: each announced, read whole and walked on its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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

}  // namespace
