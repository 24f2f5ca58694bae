// Import over a list of files: each announced, read whole and walked on its own.
#include <filesystem>

#include "file_cases.h"

namespace {

using Support::BeginFile;
using Support::ImportCalls;
using Support::Joined;
using Support::Lines;
using Support::ParsersMade;
using Support::ParsersReleased;

std::vector<std::string> Without(std::vector<std::string> calls, const std::vector<std::string>& ops) {
    calls.erase(std::remove_if(calls.begin(), calls.end(),
                               [&](const std::string& call) {
                                   for (const std::string& op : ops)
                                       if (call.find("\"op\":\"" + op + "\"") != std::string::npos) return true;
                                   return false;
                               }),
                calls.end());
    return calls;
}

// The host objects' own traffic, the same for every file that is read.
const std::vector<std::string> kParserTraffic = {"GetValueParserFactory", "CreateLinearParser", "CreateAngleParser",
                                                 "CreatePressureParser", "CreateTemperatureParser", "Release"};

TEST(ImportDriver, EmptyListMakesNoCall) { EXPECT_TRUE(ImportCalls({}).empty()); }

TEST(ImportDriver, FileThatCannotBeOpenedDoesNotStopTheNext) {
    const std::string missing = Support::ScratchPath("missing.jxl");
    const std::string folder = Support::ScratchPath("folder.jxl");
    std::filesystem::create_directories(std::filesystem::u8path(folder));
    const std::string good = Support::WriteScratchFile("good.jxl", Support::FieldBook(
        "<StationRecord><StationName>S1</StationName></StationRecord>"));
    const auto calls = Without(ImportCalls({missing, folder, "", good}), kParserTraffic);
    EXPECT_EQ(calls, Lines(R"(
        )" + BeginFile(missing) + R"(
        {"op":"ShowMessage","arg":"Не удается открыть файл"}
        )" + BeginFile(folder) + R"(
        {"op":"ShowMessage","arg":"Не удается открыть файл"}
        {"op":"BeginFile","arg":""}
        {"op":"ShowMessage","arg":"Не удается открыть файл"}
        )" + BeginFile(good) + R"(
        {"op":"SetProgress","arg":50}
        {"op":"AddStation","arg":"S1"}
        {"op":"SetProgress","arg":100}
    )"));
}

TEST(ImportDriver, FilesInListOrderEachWithItsOwnParsers) {
    const std::string first = Support::WriteScratchFile("first.jxl", "<JOBFile/>");
    const std::string second = Support::WriteScratchFile("second.jxl", "<JOB");
    const auto calls = ImportCalls({first, second}, {true, false, false});
    const std::vector<std::string> done = {R"({"op":"SetProgress","arg":100})"};
    const auto expected = Joined({{BeginFile(first)}, ParsersMade(), {R"({"op":"SetProgress","arg":50})"}, done,
                                  ParsersReleased(), {BeginFile(second)}, ParsersMade(), Lines(R"(
                                      {"op":"SetResult","arg":-1}
                                      {"op":"ShowMessage","arg":"Ошибка в формате файла"}
                                  )"), done, ParsersReleased()});
    EXPECT_EQ(calls, expected);
}

TEST(ImportDriver, TablesDoNotCarryToTheNextFile) {
    const std::string first = Support::WriteScratchFile("tables-1.jxl", Support::FieldBook(R"(
        <AtmosphereRecord ID="a1"><Pressure>1000</Pressure></AtmosphereRecord>
        <TargetRecord ID="t1"><TargetHeight>1.5</TargetHeight></TargetRecord>)"));
    const std::string second = Support::WriteScratchFile("tables-2.jxl", Support::FieldBook(R"(
        <StationRecord><StationName>S1</StationName><AtmosphereID>a1</AtmosphereID></StationRecord>
        <PointRecord><Name>P1</Name><TargetID>t1</TargetID><Circle/></PointRecord>)"));
    const auto calls = Without(ImportCalls({first, second}), kParserTraffic);
    EXPECT_EQ(std::vector<std::string>(calls.end() - 4, calls.end()), Lines(R"(
        {"op":"SetProgress","arg":50}
        {"op":"AddStation","arg":"S1"}
        {"op":"AddObservation","arg":"P1"}
        {"op":"SetProgress","arg":100}
    )"));
}

TEST(ImportDriver, PathsBeyondAscii) {
    const std::string path = Support::WriteScratchFile("съёмка 測量.jxl", "<JOBFile><FieldBook/><Reductions/></JOBFile>");
    const auto calls = Without(ImportCalls({path}), kParserTraffic);
    EXPECT_EQ(calls, Lines(R"(
        )" + BeginFile(path) + R"(
        {"op":"SetProgress","arg":50}
        {"op":"SetProgress","arg":100}
    )"));
}

#ifndef _WIN32
// A name here is bytes, and a Latin-1 one is still a file the user can open; the host shows
// the byte it cannot read as U+FFFD.
TEST(ImportDriver, PathsThatAreNotUtf8) {
    const std::string path = Support::WriteScratchFile("caf\xE9 \xFF.jxl", Support::FieldBook(
        "<StationRecord><StationName>S1</StationName></StationRecord>"));
    std::string shown = path;
    for (const char* byte : {"\xE9", "\xFF"}) shown.replace(shown.find(byte), 1, "\xEF\xBF\xBD");
    const auto calls = Without(ImportCalls({path}), kParserTraffic);
    EXPECT_EQ(calls, Lines(R"(
        )" + BeginFile(shown) + R"(
        {"op":"SetProgress","arg":50}
        {"op":"AddStation","arg":"S1"}
        {"op":"SetProgress","arg":100}
    )"));
}
#endif

}  // namespace
