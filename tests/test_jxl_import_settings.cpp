// jxl-import's settings file as people write it: comments after a value, and the lines the
// plug-in will not read as they seem to say, each named in a warning while the import
// goes on with what the plug-in does read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support.h"
#include "test_jxl_import_run.h"

namespace {

using ToolRun::JxlImport;

std::string Replaced(std::string text, const std::string& placeholder, const std::string& value) {
    for (std::size_t at; (at = text.find(placeholder)) != std::string::npos;) text.replace(at, placeholder.size(), value);
    return text;
}

// The slope distances of the typical job's calls: 99.9656 with the prism constant, 100
// without it.
std::vector<std::string> SlopeDistances(const std::string& calls) {
    std::vector<std::string> found;
    for (const std::string& line : Support::Lines(calls))
        if (line.rfind(R"({"op":"SetSlopeDistance","arg":)", 0) == 0) found.push_back(line.substr(31, line.size() - 32));
    return found;
}

std::size_t Count(const std::string& calls, const std::string& op) {
    std::size_t count = 0;
    for (const std::string& line : Support::Lines(calls)) count += line.rfind(R"({"op":")" + op + "\"", 0) == 0;
    return count;
}

const std::string kKeys =
    " (the plug-in reads ConsiderPrismConstant, ParseFieldBookNode, ParseReductionsNode, each 1 for on or 0 for off)";

struct SettingsText {
    const char* name;
    std::string file;
    std::string warnings;  // the whole of standard error; FILE stands for the settings file's path
    std::vector<std::string> slopeDistances;
    std::size_t stations = 1;
    std::size_t points = 1;
};

class SettingsFileLine : public testing::TestWithParam<SettingsText> {};

TEST_P(SettingsFileLine, IsReadAsThePluginReadsItAndWarnedAboutWhenItMisleads) {
    const SettingsText& c = GetParam();
    const std::string path = Support::WriteScratchFile(std::string(c.name) + ".ini", c.file);
    const ToolRun::Result run = JxlImport({"--format", "calls", "--settings", path, "examples/typical.jxl"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, Replaced(c.warnings, "FILE", path));
    EXPECT_EQ(SlopeDistances(run.out), c.slopeDistances);
    EXPECT_EQ(Count(run.out, "AddStation"), c.stations);
    EXPECT_EQ(Count(run.out, "AddPoint"), c.points);
}

INSTANTIATE_TEST_SUITE_P(Lines, SettingsFileLine, testing::Values(
    SettingsText{"hash_comment_after_the_value", "ConsiderPrismConstant=0 # off\n", "", {"100"}},
    SettingsText{"semicolon_comment_after_the_value", "ConsiderPrismConstant = 0;off for the old prisms\r\n", "", {"100"}},
    SettingsText{"comment_right_after_the_value", "ParseReductionsNode=0#none\n", "", {"99.9656"}, 1, 0},
    SettingsText{"key_in_other_letter_case", "considerprismconstant=0\n",
                 "jxl-import: warning: FILE:1: 'considerprismconstant' is not read: keys are matched in their exact letter "
                 "case, as ConsiderPrismConstant" + kKeys + "\n",
                 {"99.9656"}},
    SettingsText{"unknown_key", "# crew\nUnknown=0\n",
                 "jxl-import: warning: FILE:2: unknown key 'Unknown' is not read" + kKeys + "\n", {"99.9656"}},
    SettingsText{"value_two", "ConsiderPrismConstant=2\n",
                 "jxl-import: warning: FILE:1: ConsiderPrismConstant=2 is read as off: the plug-in takes any value other "
                 "than 1 for off" + kKeys + "\n",
                 {"100"}},
    SettingsText{"value_minus_one", "ParseFieldBookNode=-1 # yes?\n",
                 "jxl-import: warning: FILE:1: ParseFieldBookNode=-1 is read as off: the plug-in takes any value other "
                 "than 1 for off" + kKeys + "\n",
                 {}, 0, 1},
    SettingsText{"section_heading", "[JxlImport]\r\n  ConsiderPrismConstant=0\r\n[Other]\nParseReductionsNode=0\n",
                 "jxl-import: warning: FILE:1: '[JxlImport]' is not read: the settings file has no sections, the keys after "
                 "it are read as any others\n"
                 "jxl-import: warning: FILE:3: '[Other]' is not read: the settings file has no sections, the keys after it "
                 "are read as any others\n",
                 {"100"}, 1, 0},
    SettingsText{"every_mistake_its_own_line", "Units=2\r\nparsereductionsnode=0\r\nConsiderPrismConstant=10\r\n",
                 "jxl-import: warning: FILE:1: unknown key 'Units' is not read" + kKeys + "\n"
                 "jxl-import: warning: FILE:2: 'parsereductionsnode' is not read: keys are matched in their exact letter "
                 "case, as ParseReductionsNode" + kKeys + "\n"
                 "jxl-import: warning: FILE:3: ConsiderPrismConstant=10 is read as off: the plug-in takes any value other "
                 "than 1 for off" + kKeys + "\n",
                 {"100"}}),
    [](const testing::TestParamInfo<SettingsText>& info) { return std::string(info.param.name); });

TEST(JxlImportSettings, AValueThatIsNoNumberStopsTheRunWithTheLine) {
    const std::string path = Support::WriteScratchFile("words.ini", "# crew\nConsiderPrismConstant=off\n");
    const ToolRun::Result run = JxlImport({"--settings", path, "examples/typical.jxl"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "jxl-import: " + path + ":2: expected Key=integer, such as ConsiderPrismConstant=0\n");
}

TEST(JxlImportSettings, SavingKeepsTheCommentOfALineWhoseValueChanges) {
    const std::string path = Support::WriteScratchFile("commented.ini", "ConsiderPrismConstant=1 # site default\n");
    const ToolRun::Result run = JxlImport({"--settings", path, "--prism-constant", "off", "--save-settings", "--show-settings"});
    EXPECT_EQ(run.status, 0) << run.err;
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "ConsiderPrismConstant=0 # site default\nParseFieldBookNode=1\nParseReductionsNode=1\n");
}

TEST(JxlImportSettings, ASettingsFileThatCannotBeWrittenNamesItsReason) {
    const std::string path = Support::ScratchPath("no-such-folder") + "/jxl.ini";
    const ToolRun::Result run = JxlImport({"--settings", path, "--save-settings", "--show-settings"});
    EXPECT_EQ(run.status, 4);
    EXPECT_EQ(run.err, "jxl-import: cannot write settings file " + path + ": " +
                           JXL_REASON("No such file or directory", 3 /* ERROR_PATH_NOT_FOUND */) + "\n");
}

}  // namespace
