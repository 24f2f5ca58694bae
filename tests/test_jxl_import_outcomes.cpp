// What became of each file, the same in every format of jxl-import: counts and the outcome
// (ok, message, cannot-open, stopped), the exit status that follows from them, the
// table's station column and totals, and a job read from standard input.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "host/text.h"
#include "support.h"
#include "test_jxl_import_run.h"

namespace {

using ToolRun::JxlImport;
using ToolRun::RunOptions;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The plug-in library of the tests that plays scripted calls (tests/scripted_plugin).
std::string ScriptedPlugin() {
#ifdef _WIN32
    return ToolRun::ToolFolder() + "/jxl_scripted_plugin.dll";
#else
    return ToolRun::ToolFolder() + "/libjxl_scripted_plugin.so";
#endif
}

struct FileOutcome {
    std::string path;
    const char* outcome;
    int stations, observations, points;
    std::string messages;  // as the CSV row holds them, one per line
    std::string reasons;   // the same
};

struct OutcomeCase {
    const char* name;
    bool scripted;  // the scripted plug-in, not the real one
    std::vector<FileOutcome> files;
    int status;
    std::vector<std::string> notImported;  // files after the end of the import
};

class Outcomes : public testing::TestWithParam<OutcomeCase> {
protected:
    ToolRun::Result Run(const char* format) const {
        const OutcomeCase& c = GetParam();
        std::vector<std::string> args = {"--format", format};
        if (c.scripted) args.insert(args.end(), {"--plugin", ScriptedPlugin()});
        for (const FileOutcome& file : c.files) args.push_back(file.path);
        for (const std::string& path : c.notImported) args.push_back(path);
        return JxlImport(args);
    }
};

TEST_P(Outcomes, AreTheSameInEveryFormatAndDecideTheExitStatus) {
    const OutcomeCase& c = GetParam();
    const ToolRun::Result csv = Run("csv");
    const ToolRun::Result json = Run("json");
    const ToolRun::Result table = Run("table");
    for (const ToolRun::Result* run : {&csv, &json, &table}) EXPECT_EQ(run->status, c.status);

    for (const FileOutcome& file : c.files) {
        SCOPED_TRACE(file.path);
        const std::string counts = std::to_string(file.stations) + "," + std::to_string(file.observations) + "," +
                                   std::to_string(file.points);
        std::string messagesAndReasons;
        Host::AppendCsvField(messagesAndReasons, file.messages);
        messagesAndReasons += ',';
        Host::AppendCsvField(messagesAndReasons, file.reasons);
        EXPECT_TRUE(Contains(csv.out, file.path + ",file,,,,,,,,,,,,,,,,," + file.outcome + "," + counts + "," +
                                          messagesAndReasons + "\r\n"))
            << csv.out;
        EXPECT_TRUE(Contains(json.out, "\"counts\": {\"stations\": " + std::to_string(file.stations) +
                                           ", \"observations\": " + std::to_string(file.observations) +
                                           ", \"points\": " + std::to_string(file.points) + "},\n      \"outcome\": \"" +
                                           file.outcome + "\"\n"))
            << json.out;
        const std::size_t at = table.out.find(file.path + "\n");
        ASSERT_NE(at, std::string::npos) << table.out;
        const std::size_t end = table.out.find("\n\n", at);
        const std::string section = table.out.substr(at, end == std::string::npos ? std::string::npos : end - at + 1);
        if (std::string(file.outcome) == "ok")
            EXPECT_FALSE(Contains(section, "outcome:")) << section;
        else
            EXPECT_TRUE(Contains(section, std::string("\n  outcome: ") + file.outcome + "\n")) << section;
    }
    // No file the import never reached appears in any format; the user is told.
    for (const std::string& path : c.notImported) {
        EXPECT_FALSE(Contains(csv.out + json.out + table.out, path));
        EXPECT_TRUE(Contains(csv.err, "jxl-import: the import ended early: ")) << csv.err;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, Outcomes, testing::Values(
    OutcomeCase{"imported", false, {{"examples/typical.jxl", "ok", 1, 2, 1, "", ""}, {"examples/traverse.jxl", "ok", 2, 11, 9, "", ""}}, 0, {}},
    OutcomeCase{"badly_formed", false, {{"examples/malformed.jxl", "message", 0, 0, 0, "Ошибка в формате файла",
                                         ToolRun::kMalformedReason},
                                        {"examples/typical.jxl", "ok", 1, 2, 1, "", ""}}, 1, {}},
    OutcomeCase{"missing", false, {{"examples/typical.jxl", "ok", 1, 2, 1, "", ""},
                                   {"examples/no-such-job.jxl", "cannot-open", 0, 0, 0, "Не удается открыть файл",
                                    JXL_REASON("No such file or directory", 2 /* ERROR_FILE_NOT_FOUND */)}}, 1, {}},
    OutcomeCase{"folder", false, {{"examples", "cannot-open", 0, 0, 0, "Не удается открыть файл", "is a folder"}}, 1, {}},
    OutcomeCase{"stopped_and_the_next_follows", true,
                {{"a-stop-memory.jxl", "stopped", 0, 0, 0, "Недостаточно памяти для импорта файла", ""}, {"b.jxl", "ok", 1, 0, 0, "", ""}}, 1, {}},
    OutcomeCase{"stopped_and_the_import_ends", true,
                {{"a.jxl", "ok", 1, 0, 0, "", ""}, {"b-stop-internal.jxl", "stopped", 0, 0, 0, "Импорт файла прерван из-за внутренней ошибки", ""}},
                1, {"c.jxl", "d.jxl"}},
    OutcomeCase{"the_import_ends_inside_a_file", true, {{"a-end-inside.jxl", "stopped", 1, 0, 0, "", ""}}, 1, {"b.jxl"}}),
    [](const testing::TestParamInfo<OutcomeCase>& info) { return std::string(info.param.name); });

TEST(JxlImportTable, EveryObservationShowsItsStationWhenPointsStandBetween) {
    const std::string job = Support::WriteScratchFile("between.jxl", Support::FieldBook(R"(
        <StationRecord><StationName>S1</StationName><TheodoliteHeight>1.5</TheodoliteHeight></StationRecord>
        <PointRecord><Name>K1</Name><Grid><North>10</North><East>20</East><Elevation>30</Elevation></Grid></PointRecord>
        <PointRecord><Name>P1</Name><Circle><HorizontalCircle>12.5</HorizontalCircle></Circle></PointRecord>
        <PointRecord><Name>a long point name</Name><Circle><HorizontalCircle>1</HorizontalCircle><EDMDistance>5</EDMDistance></Circle></PointRecord>
        <StationRecord><StationName>S2</StationName></StationRecord>
        <PointRecord><Name>K2</Name><Grid><North>1</North></Grid></PointRecord>
        <PointRecord><Name>P2</Name><Circle><HorizontalCircle>7</HorizontalCircle></Circle></PointRecord>)"));
    const ToolRun::Result run = JxlImport({job});
    EXPECT_EQ(run.status, 0) << run.err;
    // A name longer than its column pushes its row on, which is back in its columns at
    // the next cell that leaves room.
    EXPECT_EQ(run.out,
              job + "\n"
              "  Item         Name        Station         HI  Pressure   Temp      HT         Hz          V         SD  Face        North         East      Elev  Keyed  Code\n"
              "  station      S1                       1.500\n"
              "  point        K1                                                                                                   10.000       20.000    30.000\n"
              "  observation  P1          S1                                            12.50000\n"
              "  observation  a long point name  S1                                      1.00000                5.0000\n"
              "  station      S2\n"
              "  point        K2                                                                                                    1.000\n"
              "  observation  P2          S2                                             7.00000\n"
              "  2 stations, 3 observations, 2 points\n"
              "\n"
              "Units: angles in decimal degrees; distances, heights and coordinates in metres; pressure in\n"
              "millibars (hPa); temperature in degrees Celsius. JobXML records them so whatever units the job\n"
              "shows, and nothing is converted; the table rounds them to the places shown.\n");
}

TEST(JxlImportTable, SeveralFilesEndWithTheirTotals) {
    const ToolRun::Result run = JxlImport({"examples/typical.jxl", "examples/traverse.jxl", "examples/malformed.jxl"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.out, "\n\n3 files: 3 stations, 13 observations, 10 points; 2 ok, 1 message\n\nUnits: ")) << run.out;
    // One file: its own counts are all there is.
    EXPECT_FALSE(Contains(JxlImport({"examples/typical.jxl"}).out, " files: "));
}

TEST(JxlImportTable, AValueSentWithNoItemOpenIsCountedAndShown) {
    const ToolRun::Result run = JxlImport({"--plugin", ScriptedPlugin(), "loose.jxl"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "\n  none ")) << run.out;
    EXPECT_TRUE(Contains(run.out, "\n  1 station, 1 item of values sent with no item open\n")) << run.out;
    EXPECT_TRUE(Contains(JxlImport({"--format", "json", "--plugin", ScriptedPlugin(), "loose.jxl"}).out,
                         "\"counts\": {\"stations\": 1, \"observations\": 0, \"points\": 0, \"none\": 1}"));
}

// ---- Standard input -----------------------------------------------------------------------

std::string TemporaryFolder(const std::string& name) {
    const std::string folder = Support::ScratchPath(name);
    std::filesystem::create_directories(std::filesystem::u8path(folder));
    return folder;
}

bool IsEmpty(const std::string& folder) {
    return std::filesystem::directory_iterator(std::filesystem::u8path(folder)) == std::filesystem::directory_iterator();
}

std::string WithPath(std::string trace, const std::string& from, const std::string& to) {
    const std::string a = Support::Call("BeginFile", from), b = Support::Call("BeginFile", to);
    for (std::size_t at; (at = trace.find(a)) != std::string::npos;) trace.replace(at, a.size(), b);
    return trace;
}

struct InputCase {
    const char* name;
    RunOptions::Input input;
};

class StandardInput : public testing::TestWithParam<InputCase> {};

// The copy is what the plug-in imports, shown as "-", and it is gone afterwards.
TEST_P(StandardInput, IsImportedAsTheJobItHoldsAndShownAsADash) {
    RunOptions options;
    options.input = GetParam().input;
    options.inputBytes = ToolRun::SourceFile("examples/typical.jxl");
    options.temporaryFolder = TemporaryFolder(std::string("stdin-") + GetParam().name);
    const ToolRun::Result run = JxlImport({"--format", "calls", "-", "examples/malformed.jxl"}, options);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, WithPath(ToolRun::SourceFile("tests/expected/typical.calls"), "examples/typical.jxl", "-") +
                           ToolRun::SourceFile("tests/expected/malformed.calls"));
    EXPECT_TRUE(IsEmpty(options.temporaryFolder));
}

INSTANTIATE_TEST_SUITE_P(Inputs, StandardInput, testing::Values(InputCase{"pipe", RunOptions::Input::Pipe},
                                                                InputCase{"file", RunOptions::Input::File}),
    [](const testing::TestParamInfo<InputCase>& info) { return std::string(info.param.name); });

TEST(JxlImportStandardInput, MessagesNameItAsADashAndTheCopyGoesAfterAFailure) {
    RunOptions options;
    options.input = RunOptions::Input::Pipe;
    options.inputBytes = ToolRun::SourceFile("examples/malformed.jxl");
    options.temporaryFolder = TemporaryFolder("stdin-malformed");
    const ToolRun::Result run = JxlImport({"--format", "csv", "-"}, options);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "-: Ошибка в формате файла\n-: reason: " + ToolRun::kMalformedReason + "\n");
    EXPECT_TRUE(Contains(run.out, "\r\n-,file,,,,,,,,,,,,,,,,,message,0,0,0,Ошибка в формате файла,\"" +
                                      ToolRun::kMalformedReason + "\"\r\n")) << run.out;
    EXPECT_TRUE(IsEmpty(options.temporaryFolder));
}

TEST(JxlImportStandardInput, AnEmptyInputIsAnEmptyJob) {
    RunOptions options;
    options.input = RunOptions::Input::Pipe;
    const ToolRun::Result run = JxlImport({"-"}, options);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "-: Ошибка в формате файла\n-: reason: the file is empty\n");
}

TEST(JxlImportStandardInput, ThatCannotBeReadGivesItsReason) {
    const struct {
        RunOptions::Input input;
        std::string error;
    } cases[] = {
        {RunOptions::Input::Folder, "jxl-import: cannot read standard input: " + JXL_REASON("Is a directory", 1 /* ERROR_INVALID_FUNCTION */) + "\n"},
        {RunOptions::Input::Closed, "jxl-import: cannot read standard input: " + JXL_REASON("Bad file descriptor", 6 /* ERROR_INVALID_HANDLE */) + "\n"},
    };
    for (const auto& c : cases) {
        RunOptions options;
        options.input = c.input;
        options.temporaryFolder = TemporaryFolder("stdin-unreadable");
        const ToolRun::Result run = JxlImport({"examples/typical.jxl", "-"}, options);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.error);
        EXPECT_TRUE(IsEmpty(options.temporaryFolder));
    }
}

TEST(JxlImportStandardInput, AFileNamedDashIsReadThroughItsPath) {
    const std::string folder = TemporaryFolder("dash");
    const std::string path = folder + "/-";
    std::filesystem::copy_file(std::string(JXL_SOURCE_DIR) + "/examples/typical.jxl", std::filesystem::u8path(path));
    RunOptions options;
    options.folder = folder;
    const ToolRun::Result run = JxlImport({"--format", "csv", "./-"}, options);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "./-,file,,,,,,,,,,,,,,,,,ok,1,2,1,,\r\n")) << run.out;
}

// ---- The calls as they are written --------------------------------------------------------

// The tool writes each call as it happens; the tests keep the calls and write them
// afterwards. Over every input of the fuzz corpus (odd texts, broken encodings, numbers of
// every shape) both must give the same lines. The tool runs in the corpus folder and is
// given the files' names: their absolute paths would pass Windows' 32,767 characters of a
// command line in a deep checkout.
TEST(JxlImportCalls, WrittenAsTheyHappenAreTheCallsTheHostObjectsRecord) {
    const std::string corpus = std::string(JXL_SOURCE_DIR) + "/fuzz/corpus";
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(corpus)))
        names.push_back(entry.path().filename().u8string());
    std::sort(names.begin(), names.end());
    ASSERT_GT(names.size(), 100u);
    std::vector<std::string> args = {"--format", "calls"};
    args.insert(args.end(), names.begin(), names.end());
    RunOptions options;
    options.folder = corpus;
    const ToolRun::Result run = JxlImport(args, options);

    // Imported here by their paths, each file's BeginFile then naming it as the tool was told.
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back(corpus + "/" + name);
    std::string recorded;
    std::size_t file = 0;
    for (const std::string& line : Support::Import(Support::Library::Plugin, paths)) {
        if (line.rfind(R"({"op":"BeginFile",)", 0) == 0 && file < names.size())
            recorded += R"({"op":"BeginFile","arg":)" + Host::JsonString(names[file++]) + "}\n";
        else
            recorded += line + "\n";
    }
    EXPECT_EQ(file, names.size());
    EXPECT_EQ(run.out, recorded);
}

}  // namespace
