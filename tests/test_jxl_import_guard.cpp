// jxl-import never writes over a file it reads: the output and the settings file it saves
// are refused when they are a job being imported (or the output the settings file), by
// whatever path names them, before anything is touched.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support.h"
#include "test_jxl_import_run.h"

namespace {

namespace fs = std::filesystem;

std::string Replaced(std::string text, const std::string& placeholder, const std::string& value) {
    for (std::size_t at; (at = text.find(placeholder)) != std::string::npos;) text.replace(at, placeholder.size(), value);
    return text;
}

// Every file of a folder with its bytes.
std::map<std::string, std::string> Contents(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(fs::u8path(folder)))
        files[entry.path().filename().u8string()] = Support::ReadFile(entry.path().u8string());
    return files;
}

// How a case names the file it must not write over.
enum class Spelling { Same, DotSlash, ThroughParent, SymbolicLink, HardLink, OtherCase };

struct Overwrite {
    const char* name;
    std::vector<std::string> args;  // ALIAS is the other name of TARGET
    std::string target;             // job.jxl or jxl.ini
    Spelling spelling;
    std::string error;              // the whole of standard error
};

// The other name, made in `folder` when it is a link; empty when this system cannot make it.
std::string Alias(const std::string& folder, const std::string& target, Spelling spelling) {
    std::error_code failed;
    switch (spelling) {
    case Spelling::Same: return target;
    case Spelling::DotSlash: return "./" + target;
    case Spelling::ThroughParent: return "../" + fs::u8path(folder).filename().u8string() + "/" + target;
    case Spelling::SymbolicLink:
        fs::create_symlink(fs::u8path(target), fs::u8path(folder + "/link-" + target), failed);
        return failed ? std::string() : "link-" + target;
    case Spelling::HardLink:
        fs::create_hard_link(fs::u8path(folder + "/" + target), fs::u8path(folder + "/hard-" + target), failed);
        return failed ? std::string() : "hard-" + target;
    case Spelling::OtherCase: {
        std::string upper = target;
        for (char& c : upper) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        return upper;
    }
    }
    return {};
}

class WritingOverAnInput : public testing::TestWithParam<Overwrite> {};

TEST_P(WritingOverAnInput, IsAUsageErrorThatTouchesNothing) {
    const Overwrite& c = GetParam();
    const std::string folder = Support::ScratchPath(std::string("guard-") + c.name);
    fs::create_directories(fs::u8path(folder));
    Support::WriteScratchFile(std::string("guard-") + c.name + "/job.jxl", ToolRun::SourceFile("examples/typical.jxl"));
    Support::WriteScratchFile(std::string("guard-") + c.name + "/jxl.ini", "ConsiderPrismConstant=0\n");
    const std::string alias = Alias(folder, c.target, c.spelling);
    if (alias.empty()) GTEST_SKIP() << "this system cannot make the link";
    const std::map<std::string, std::string> before = Contents(folder);

    std::vector<std::string> args;
    for (const std::string& arg : c.args) args.push_back(Replaced(arg, "ALIAS", alias));
    ToolRun::RunOptions options;
    options.folder = folder;
    const ToolRun::Result run = ToolRun::JxlImport(args, options);

    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, Replaced(c.error, "ALIAS", alias));
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(Contents(folder), before);  // nothing written, made, or left behind
}

const std::string kOverJob =
    "jxl-import: the output ALIAS is job.jxl, a file being imported: writing it would replace the job; "
    "name another output file\n";
const std::string kSettingsOverJob =
    "jxl-import: the settings file ALIAS is job.jxl, a file being imported: --save-settings would replace the job; "
    "name another settings file\n";
const std::string kOverSettings =
    "jxl-import: the output ALIAS is jxl.ini, the settings file: writing it would replace the settings; "
    "name another output file\n";

std::vector<Overwrite> Overwrites() {
    return {
    Overwrite{"same_path", {"--format", "csv", "-o", "ALIAS", "job.jxl"}, "job.jxl", Spelling::Same, kOverJob},
    Overwrite{"dot_slash", {"--output=ALIAS", "job.jxl"}, "job.jxl", Spelling::DotSlash, kOverJob},
    Overwrite{"through_the_parent", {"-o", "ALIAS", "jxl.ini", "job.jxl"}, "job.jxl", Spelling::ThroughParent, kOverJob},
    Overwrite{"symbolic_link", {"-o", "ALIAS", "job.jxl"}, "job.jxl", Spelling::SymbolicLink, kOverJob},
    Overwrite{"hard_link", {"--format", "html", "-o", "ALIAS", "job.jxl"}, "job.jxl", Spelling::HardLink, kOverJob},
#ifdef _WIN32
    Overwrite{"other_letter_case", {"-o", "ALIAS", "job.jxl"}, "job.jxl", Spelling::OtherCase, kOverJob},
#endif
    Overwrite{"settings_saved_into_the_job", {"--settings", "ALIAS", "--save-settings", "job.jxl"}, "job.jxl",
              Spelling::DotSlash, kSettingsOverJob},
    Overwrite{"settings_saved_through_a_link", {"--settings", "ALIAS", "--save-settings", "job.jxl"}, "job.jxl",
              Spelling::SymbolicLink, kSettingsOverJob},
    Overwrite{"output_onto_the_settings_file", {"--settings", "jxl.ini", "-o", "ALIAS", "job.jxl"}, "jxl.ini",
              Spelling::DotSlash, kOverSettings},
    Overwrite{"output_onto_the_settings_file_shown", {"--settings", "jxl.ini", "--show-settings", "-o", "ALIAS"}, "jxl.ini",
              Spelling::HardLink, kOverSettings},
    };
}

INSTANTIATE_TEST_SUITE_P(Spellings, WritingOverAnInput, testing::ValuesIn(Overwrites()),
    [](const testing::TestParamInfo<Overwrite>& info) { return std::string(info.param.name); });

// Other files, and standard input, which is no file that could be lost, go on as before.
TEST(JxlImportGuard, OtherFilesAreWrittenAsBefore) {
    const std::string folder = Support::ScratchPath("guard-other");
    fs::create_directories(fs::u8path(folder));
    const std::string job = ToolRun::SourceFile("examples/typical.jxl");
    Support::WriteScratchFile("guard-other/job.jxl", job);
    ToolRun::RunOptions options;
    options.folder = folder;

    const ToolRun::Result run = ToolRun::JxlImport(
        {"--format", "csv", "-o", "job.csv", "--settings", "jxl.ini", "--save-settings", "job.jxl"}, options);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Support::ReadFile(folder + "/job.csv").substr(0, 20), "file,kind,name,stati");
    EXPECT_EQ(Support::ReadFile(folder + "/jxl.ini"), "ConsiderPrismConstant=1\nParseFieldBookNode=1\nParseReductionsNode=1\n");

    options.input = ToolRun::RunOptions::Input::Pipe;
    options.inputBytes = job;
    const ToolRun::Result piped = ToolRun::JxlImport({"--format", "csv", "-o", "job.csv", "-"}, options);
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(Support::ReadFile(folder + "/job.jxl"), job);
}

}  // namespace
