// jxl-import end to end: the built tool, the real plug-in library, the shipped examples.
// The expected outputs live in tests/expected and are the same for both builds.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/text.h"
#include "support.h"
#include "test_jxl_import_run.h"

namespace {

using ToolRun::JxlImport;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

const std::string kNoSuchFile = JXL_REASON("No such file or directory", 2 /* ERROR_FILE_NOT_FOUND */);

int LineCount(const std::string& text) {
    int lines = 0;
    for (const char c : text) lines += c == '\n';
    return lines;
}

// The call trace's lines that start with this text.
std::vector<std::string> CallsOf(const std::string& trace, const std::string& op) {
    std::vector<std::string> found;
    for (const std::string& line : Support::Lines(trace))
        if (line.rfind("{\"op\":\"" + op + "\"", 0) == 0) found.push_back(line);
    return found;
}

struct OutputCase {
    std::vector<std::string> args;
    std::string expected;  // file in tests/expected
    int status;
};

class ExpectedOutput : public testing::TestWithParam<OutputCase> {};

TEST_P(ExpectedOutput, MatchesTheFileKeptInTheRepository) {
    const OutputCase& c = GetParam();
    const ToolRun::Result run = JxlImport(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.out, ToolRun::SourceFile("tests/expected/" + c.expected));
}

INSTANTIATE_TEST_SUITE_P(Examples, ExpectedOutput, testing::Values(
    OutputCase{{"--format", "calls", "examples/typical.jxl"}, "typical.calls", 0},
    OutputCase{{"--format=calls", "examples/traverse.jxl"}, "traverse.calls", 0},
    OutputCase{{"--format", "calls", "examples/cyrillic-1251.jxl"}, "cyrillic-1251.calls", 0},
    OutputCase{{"--format", "calls", "examples/malformed.jxl"}, "malformed.calls", 1},
    OutputCase{{"examples/traverse.jxl"}, "traverse.table", 0},
    OutputCase{{"--format", "table", "examples/cyrillic-1251.jxl"}, "cyrillic-1251.table", 0},
    OutputCase{{"--format", "csv", "examples/traverse.jxl"}, "traverse.csv", 0},
    OutputCase{{"--format", "json", "examples/traverse.jxl"}, "traverse.json", 0},
    OutputCase{{"--show-settings", "--field-book", "off"}, "show-settings-field-book-off.txt", 0}));

TEST(JxlImport, OneImportOfSeveralFilesIsTheirTracesInTurn) {
    const ToolRun::Result run = JxlImport({"--format", "calls", "examples/typical.jxl", "examples/malformed.jxl"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, ToolRun::SourceFile("tests/expected/typical.calls") + ToolRun::SourceFile("tests/expected/malformed.calls"));
    EXPECT_EQ(run.err, "examples/malformed.jxl: Ошибка в формате файла\nexamples/malformed.jxl: reason: " +
                           ToolRun::kMalformedReason + "\n");
}

TEST(JxlImport, AFileThatCannotBeOpenedIsReportedAndTheNextStillImported) {
    const ToolRun::Result run = JxlImport({"--format", "json", "examples/no-such-job.jxl", "examples/typical.jxl"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "examples/no-such-job.jxl: Не удается открыть файл\nexamples/no-such-job.jxl: reason: " +
                           kNoSuchFile + "\n");
    EXPECT_TRUE(Contains(run.out, "\"path\": \"examples/no-such-job.jxl\",\n      \"items\": [],\n      \"result\": null,\n"
                                  "      \"messages\": [\"Не удается открыть файл\"],\n      \"reasons\": [\"" + kNoSuchFile + "\"],\n"
                                  "      \"progress\": [],\n"
                                  "      \"counts\": {\"stations\": 0, \"observations\": 0, \"points\": 0},\n"
                                  "      \"outcome\": \"cannot-open\"\n"));
    EXPECT_TRUE(Contains(run.out, "{\"kind\":\"point\",\"name\":\"P1\",\"north\":5000.123,\"east\":2000.456,\"elevation\":100.789}"));
}

TEST(JxlImport, MessagesOfABadlyFormedFileInTheTable) {
    const ToolRun::Result run = JxlImport({"examples/malformed.jxl"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "examples/malformed.jxl\n  no items\n  result: -1\n  message: Ошибка в формате файла\n  reason: " +
                           ToolRun::kMalformedReason + "\n  outcome: message\n");
}

TEST(JxlImport, ANonAsciiPathReachesThePluginWhole) {
    const std::string path = Support::WriteScratchFile("job-съёмка участка.jxl", ToolRun::SourceFile("examples/typical.jxl"));
    const ToolRun::Result run = JxlImport({"--format", "calls", path});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(CallsOf(run.out, "BeginFile"), std::vector<std::string>{"{\"op\":\"BeginFile\",\"arg\":" + Host::JsonString(path) + "}"});
    EXPECT_EQ(CallsOf(run.out, "AddStation"), std::vector<std::string>{R"({"op":"AddStation","arg":"S1"})"});
}

struct SettingsCase {
    const char* name;
    std::string settingsFile;  // empty: no --settings
    std::vector<std::string> options;
    std::vector<std::string> slopeDistances;
    std::size_t stations;
    std::size_t points;
};

class SettingsChoice : public testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsChoice, DecidesWhatTheTypicalJobGives) {
    const SettingsCase& c = GetParam();
    std::vector<std::string> args = {"--format", "calls"};
    if (!c.settingsFile.empty()) {
        args.push_back("--settings");
        args.push_back(Support::WriteScratchFile("choice.ini", c.settingsFile));
    }
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back("examples/typical.jxl");
    const ToolRun::Result run = JxlImport(args);
    EXPECT_EQ(run.status, 0) << run.err;
    std::vector<std::string> distances;
    for (const std::string& line : CallsOf(run.out, "SetSlopeDistance")) distances.push_back(line.substr(line.find("\"arg\":") + 6));
    EXPECT_EQ(distances, c.slopeDistances);
    EXPECT_EQ(CallsOf(run.out, "AddStation").size(), c.stations);
    EXPECT_EQ(CallsOf(run.out, "AddPoint").size(), c.points);
}

INSTANTIATE_TEST_SUITE_P(Sources, SettingsChoice, testing::Values(
    SettingsCase{"defaults", "", {}, {"99.9656}"}, 1, 1},
    SettingsCase{"prism_off", "", {"--prism-constant", "off"}, {"100}"}, 1, 1},
    SettingsCase{"file_off", "ConsiderPrismConstant=0\n", {}, {"100}"}, 1, 1},
    SettingsCase{"file_two_is_off", "ConsiderPrismConstant=2\n", {}, {"100}"}, 1, 1},
    SettingsCase{"file_as_notepad_writes_it", "\xEF\xBB\xBF; crew\r\n ConsiderPrismConstant = +0 \r\n", {}, {"100}"}, 1, 1},
    SettingsCase{"override_beats_file", "# crew default\nConsiderPrismConstant=0\r\n", {"--prism-constant=on"}, {"99.9656}"}, 1, 1},
    SettingsCase{"no_field_book", "", {"--field-book", "off"}, {}, 0, 1},
    SettingsCase{"no_reductions", "ParseReductionsNode=0\n", {}, {"99.9656}"}, 1, 0},
    SettingsCase{"nothing", "ParseFieldBookNode=0\n", {"--reductions", "off"}, {}, 0, 0}),
    [](const testing::TestParamInfo<SettingsCase>& info) { return std::string(info.param.name); });

TEST(JxlImport, SaveSettingsWritesTheChoicesBackAndKeepsTheFilesOtherLines) {
    const std::string path = Support::WriteScratchFile("kept.ini", "# site office settings\nUnits=2\nParseReductionsNode=0\n");
    const ToolRun::Result saved = JxlImport({"--settings", path, "--prism-constant", "off", "--save-settings", "examples/typical.jxl"});
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(Support::ReadFile(path), "# site office settings\nUnits=2\nParseReductionsNode=0\nConsiderPrismConstant=0\nParseFieldBookNode=1\n");

    const ToolRun::Result shown = JxlImport({"--settings", path, "--show-settings"});
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out,
              "Настройка\n"
              "[0] Постоянная призмы: 1=Учитывать 0=Не учитывать (*)\n"
              "[1] Раздел Полевой журнал: 1=Импортировать (*) 0=Не импортировать\n"
              "[2] Раздел Вычисленные данные: 1=Импортировать 0=Не импортировать (*)\n");
}

TEST(JxlImport, SaveSettingsKeepsAByteOrderMarkAndRewritesALineWithBlanks) {
    const std::string path = Support::WriteScratchFile("marked.ini", "\xEF\xBB\xBFUnits = 2\n ConsiderPrismConstant = 1\n");
    const ToolRun::Result saved = JxlImport({"--settings", path, "--prism-constant", "off", "--save-settings", "--show-settings"});
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(Support::ReadFile(path), "\xEF\xBB\xBFUnits = 2\nConsiderPrismConstant=0\nParseFieldBookNode=1\nParseReductionsNode=1\n");
}

TEST(JxlImport, SaveSettingsMakesAMissingSettingsFile) {
    const std::string path = Support::ScratchPath("new.ini");
    const ToolRun::Result run = JxlImport({"--settings", path, "--reductions", "off", "--save-settings", "--show-settings"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Support::ReadFile(path), "ConsiderPrismConstant=1\nParseFieldBookNode=1\nParseReductionsNode=0\n");
}

struct BadInput {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string error;  // the whole of standard error
};

class RefusedInput : public testing::TestWithParam<BadInput> {};

TEST_P(RefusedInput, GivesOneLineAndItsExitStatus) {
    const BadInput& c = GetParam();
    const ToolRun::Result run = JxlImport(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind(c.error, 0), 0u) << run.err;
    EXPECT_EQ(LineCount(run.err), 1) << run.err;
}

const std::string kSee = " (see jxl-import --help)\n";
#ifdef _WIN32
const std::string kFolder = "is a folder";
const std::string kNoLibrary = Host::SystemReason(126) + " (error 126)\n";  // ERROR_MOD_NOT_FOUND, in words
#else
const std::string kFolder = "Is a directory";
const std::string kNoLibrary = "cannot open shared object file: No such file or directory\n";
#endif

INSTANTIATE_TEST_SUITE_P(CommandLine, RefusedInput, testing::Values(
    BadInput{"no_files", {}, 2, "jxl-import: no files to import" + kSee},
    BadInput{"only_options", {"--format", "csv"}, 2, "jxl-import: no files to import" + kSee},
    BadInput{"unknown_option", {"--prism", "on", "examples/typical.jxl"}, 2, "jxl-import: unknown option '--prism'" + kSee},
    BadInput{"unknown_short_option", {"-v", "examples/typical.jxl"}, 2, "jxl-import: unknown option '-v'" + kSee},
    BadInput{"missing_value", {"examples/typical.jxl", "--format"}, 2, "jxl-import: --format needs a value" + kSee},
    BadInput{"unknown_format", {"--format=xml", "examples/typical.jxl"}, 2,
             "jxl-import: --format takes table, csv, json, calls or html, not 'xml'" + kSee},
    BadInput{"on_misspelt", {"--prism-constant", "of", "examples/typical.jxl"}, 2,
             "jxl-import: --prism-constant takes on or off, not 'of'" + kSee},
    BadInput{"on_in_capitals", {"--reductions=ON", "examples/typical.jxl"}, 2,
             "jxl-import: --reductions takes on or off, not 'ON'" + kSee},
    BadInput{"flag_with_value", {"--progress=yes", "examples/typical.jxl"}, 2, "jxl-import: --progress takes no value" + kSee},
    BadInput{"bom_with_json", {"--bom", "--format", "json", "examples/typical.jxl"}, 2,
             "jxl-import: --bom goes with --format csv only: the other formats are read as UTF-8 without a byte order "
             "mark" + kSee},
    BadInput{"bom_with_the_table", {"--bom", "examples/typical.jxl"}, 2, "jxl-import: --bom goes with --format csv only"},
    BadInput{"version_then_a_word", {"--version", "extra"}, 2, "jxl-import: --version takes nothing after it, not 'extra'" + kSee},
    BadInput{"help_then_a_file", {"-h", "examples/typical.jxl"}, 2,
             "jxl-import: -h takes nothing after it, not 'examples/typical.jxl'" + kSee},
    BadInput{"save_without_file", {"--save-settings", "examples/typical.jxl"}, 2,
             "jxl-import: --save-settings needs --settings FILE to write to" + kSee},
    BadInput{"standard_input_twice", {"-", "examples/typical.jxl", "-"}, 2,
             "jxl-import: standard input ('-') can be read only once" + kSee},
    BadInput{"output_without_a_path", {"-o", "", "examples/typical.jxl"}, 2, "jxl-import: -o needs a path, not an empty text" + kSee},
    BadInput{"missing_settings_file", {"--settings", "examples/no-such.ini", "examples/typical.jxl"}, 2,
             "jxl-import: cannot read settings file examples/no-such.ini: " +
                 JXL_REASON("No such file or directory", 2 /* ERROR_FILE_NOT_FOUND */) + "\n"},
    BadInput{"missing_settings_file_to_show", {"--settings", "examples/no-such.ini", "--show-settings"}, 2,
             "jxl-import: cannot read settings file examples/no-such.ini: " +
                 JXL_REASON("No such file or directory", 2 /* ERROR_FILE_NOT_FOUND */) + "\n"},
    BadInput{"settings_file_is_a_folder", {"--settings", "examples", "examples/typical.jxl"}, 2,
             "jxl-import: cannot read settings file examples: " + kFolder + "\n"},
    BadInput{"settings_file_not_key_value", {"--settings", "examples/typical.jxl", "examples/typical.jxl"}, 2,
             "jxl-import: examples/typical.jxl:1: expected Key=integer, such as ConsiderPrismConstant=0\n"},
    BadInput{"plugin_missing", {"--plugin", "examples/no-such-library", "examples/typical.jxl"}, 3,
             "jxl-import: cannot load plug-in library examples/no-such-library: " +
                 kNoLibrary},
    BadInput{"plugin_not_a_library", {"--plugin", "examples/typical.jxl", "examples/typical.jxl"}, 3,
             "jxl-import: cannot load plug-in library examples/typical.jxl: "}),
    [](const testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });

struct MarkCase {
    const char* name;
    std::vector<std::string> args;
    std::string output;  // empty: standard output
    std::string start;   // what the bytes start with
};

class ByteOrderMark : public testing::TestWithParam<MarkCase> {};

// Only with --bom, once, at the very start, wherever the CSV goes.
TEST_P(ByteOrderMark, StartsTheCsvOnlyWhenAskedFor) {
    const MarkCase& c = GetParam();
    std::vector<std::string> args = c.args;
    std::string path;
    if (!c.output.empty()) {
        path = Support::ScratchPath(c.output);
        args.insert(args.begin(), {"-o", path});
    }
    const ToolRun::Result run = JxlImport(args);
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string bytes = path.empty() ? run.out : Support::ReadFile(path);
    EXPECT_EQ(bytes.substr(0, c.start.size()), c.start);
    EXPECT_EQ(bytes.find("\xEF\xBB\xBF", 1), std::string::npos);
}

const std::string kHeader = "file,kind,name,station,";
const std::string kMark = "\xEF\xBB\xBF";

INSTANTIATE_TEST_SUITE_P(Csv, ByteOrderMark, testing::Values(
    MarkCase{"without", {"--format", "csv", "examples/typical.jxl"}, "", kHeader},
    MarkCase{"with", {"--format", "csv", "--bom", "examples/typical.jxl"}, "", kMark + kHeader},
    MarkCase{"before_the_format", {"--bom", "--format=csv", "examples/typical.jxl", "examples/traverse.jxl"}, "", kMark + kHeader},
    MarkCase{"into_a_file", {"--format", "csv", "--bom", "examples/cyrillic-1251.jxl"}, "marked.csv", kMark + kHeader},
    MarkCase{"into_a_file_without", {"--format", "csv", "examples/cyrillic-1251.jxl"}, "plain.csv", kHeader}),
    [](const testing::TestParamInfo<MarkCase>& info) { return std::string(info.param.name); });

TEST(JxlImport, APluginLibraryWithoutCreatePluginIsRefused) {
    const std::string library = ToolRun::LibraryWithoutCreatePlugin();
    const ToolRun::Result run = JxlImport({"--plugin", library, "examples/typical.jxl"});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.err, "jxl-import: plug-in library " + library + " has no CreatePlugin\n");
    EXPECT_EQ(run.out, "");
}

TEST(JxlImport, HelpExplainsEveryOptionWithAnExample) {
    const ToolRun::Result run = JxlImport({"--help"});
    EXPECT_EQ(run.status, 0);
    const std::vector<std::string> lines = Support::Lines(run.out);
    for (const std::string option : {"--plugin", "--format", "--prism-constant", "--field-book", "--reductions", "--settings",
                                     "--save-settings", "--show-settings", "--bom", "--progress"}) {
        EXPECT_TRUE(Contains(run.out, "\n  " + option + " ")) << option;
        const bool example = std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.rfind("jxl-import ", 0) == 0 && Contains(line + " ", " " + option + " ");
        });
        EXPECT_TRUE(example) << option << " has no example";
    }
    EXPECT_TRUE(Contains(run.out, "\n  --version "));
    EXPECT_EQ(JxlImport({"examples/typical.jxl", "-h"}).out, run.out);
}

TEST(JxlImport, VersionIsTheProjects) {
    const ToolRun::Result run = JxlImport({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "jxl-import 1.1.0\n");
}

TEST(JxlImport, ProgressDrawsNothingWhenStandardErrorIsNotATerminal) {
    const ToolRun::Result run = JxlImport({"--progress", "--format", "calls", "examples/typical.jxl"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, ToolRun::SourceFile("tests/expected/typical.calls"));
}

#ifndef _WIN32
TEST(JxlImport, ProgressDrawsABarOnATerminalAndLeavesTheLineEmpty) {
    const ToolRun::Result run = ToolRun::JxlImportOnTerminal(
        {"--progress", "--format", "calls", "examples/typical.jxl", "examples/malformed.jxl"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, ToolRun::SourceFile("tests/expected/typical.calls") + ToolRun::SourceFile("tests/expected/malformed.calls"));
    for (const char* state : {"] 0/2 files  0%  examples/typical.jxl", "] 0/2 files  50%  examples/typical.jxl",
                              "] 1/2 files  100%  examples/typical.jxl", "] 1/2 files  0%  examples/malformed.jxl",
                              "[########################] 2/2 files  100%  examples/malformed.jxl"})
        EXPECT_TRUE(Contains(run.err, state)) << state << "\n" << run.err;
    // The message on a line of its own, and the bar wiped at the end.
    EXPECT_TRUE(Contains(run.err, "\rexamples/malformed.jxl: Ошибка в формате файла\r\n")) << run.err;
    const std::size_t lastReturn = run.err.rfind('\r', run.err.size() - 2);
    EXPECT_EQ(run.err.back(), '\r');
    EXPECT_EQ(run.err.substr(lastReturn + 1, run.err.size() - lastReturn - 2).find_first_not_of(' '), std::string::npos);
}

// What a terminal shows of its bytes: each carriage return goes back to the start of the
// line, later characters overwrite earlier ones.
std::string Screen(const std::string& bytes) {
    std::string screen;
    std::vector<std::string> line;  // a character per cell, in UTF-8
    std::size_t column = 0;
    const auto end = [&] {
        std::string shown;
        for (const std::string& cell : line) shown += cell;
        shown.erase(shown.find_last_not_of(' ') + 1);
        screen += shown + "\n";
        line.clear();
        column = 0;
    };
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t length = 1;
        while (i + length < bytes.size() && (static_cast<unsigned char>(bytes[i + length]) & 0xC0) == 0x80) ++length;
        const std::string c = bytes.substr(i, length);
        i += length;
        if (c == "\n") {
            end();
        } else if (c == "\r") {
            column = 0;
        } else {
            if (column < line.size())
                line[column] = c;
            else
                line.push_back(c);
            ++column;
        }
    }
    // The line the cursor rests on counts when something is left on it.
    if (std::any_of(line.begin(), line.end(), [](const std::string& cell) { return cell != " "; })) end();
    return screen;
}

// The table comes a line at a time while the bar is drawn on the same terminal: the bar
// steps aside for every line, and what stays on the screen is the table and the messages.
TEST(JxlImport, ProgressAndTheTableShareATerminal) {
    const ToolRun::Result run =
        ToolRun::JxlImportOnTerminal({"--progress", "examples/typical.jxl", "examples/malformed.jxl"}, true);
    EXPECT_EQ(run.status, 1);
    std::string expected = JxlImport({"examples/typical.jxl", "examples/malformed.jxl"}).out;
    expected.insert(expected.find("examples/malformed.jxl\n") + 23, "examples/malformed.jxl: Ошибка в формате файла\nexamples/malformed.jxl: reason: " +
                                                                      ToolRun::kMalformedReason + "\n");
    EXPECT_EQ(Screen(run.err), expected) << run.err;
}
#endif

TEST(JxlImport, DoubleDashTakesTheRestAsFiles) {
    const ToolRun::Result run = JxlImport({"--format", "calls", "--", "--version"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "--version: Не удается открыть файл\n--version: reason: " + kNoSuchFile + "\n");
}

}  // namespace
