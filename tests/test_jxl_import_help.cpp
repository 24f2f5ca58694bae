// jxl-import's help and man page checked against the tool: the options and formats they
// name are the ones it takes, and the help's examples run as written.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support.h"
#include "test_jxl_import_run.h"

namespace {

using ToolRun::JxlImport;
using Names = std::set<std::string>;

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// The words of `text` that start with '-', split at blanks and commas.
Names OptionWords(const std::string& text) {
    Names words;
    std::string word;
    for (const char c : text + " ") {
        if (c != ' ' && c != ',') {
            word += c;
            continue;
        }
        if (StartsWith(word, "-")) words.insert(word);
        word.clear();
    }
    return words;
}

std::string HelpText() { return JxlImport({"--help"}).out; }

// The options the help lists: a line "  -o, --output FILE   what it does".
Names HelpOptions() {
    Names options;
    for (const std::string& line : LinesOf(HelpText())) {
        if (!StartsWith(line, "  -")) continue;
        const Names words = OptionWords(line.substr(2, line.find("  ", 2) - 2));
        options.insert(words.begin(), words.end());
    }
    return options;
}

std::string ManPage() { return ToolRun::SourceFile("packaging/jxl-import.1"); }

// The man page's OPTIONS section, lines as written.
std::vector<std::string> ManOptionsSection() {
    const std::vector<std::string> lines = LinesOf(ManPage());
    std::vector<std::string> section;
    bool inside = false;
    for (const std::string& line : lines) {
        if (StartsWith(line, ".SH ")) inside = line == ".SH OPTIONS";
        else if (inside) section.push_back(line);
    }
    return section;
}

// The options the man page lists: the entry lines after .TP, "\-" a dash, fonts set aside.
Names ManOptions() {
    Names options;
    const std::vector<std::string> lines = ManOptionsSection();
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i - 1] != ".TP" || !StartsWith(lines[i], ".B")) continue;
        std::string text;
        for (std::size_t at = lines[i].find(' '); at < lines[i].size(); ++at) {
            if (lines[i].compare(at, 2, "\\-") == 0) {
                text += '-';
                ++at;
            } else if (lines[i].compare(at, 2, "\\f") == 0) {
                at += 2;
            } else if (lines[i][at] != '"') {
                text += lines[i][at];
            }
        }
        const Names words = OptionWords(text);
        options.insert(words.begin(), words.end());
    }
    return options;
}

TEST(JxlImportHelp, NamesTheOptionsTheManPageNames) {
    const Names help = HelpOptions();
    EXPECT_GE(help.size(), 15u);
    EXPECT_EQ(help, ManOptions());
}

TEST(JxlImportHelp, EveryOptionItListsIsOneTheToolTakes) {
    for (const std::string& option : HelpOptions()) {
        const ToolRun::Result run = JxlImport({option});
        EXPECT_EQ(run.err.find("unknown option"), std::string::npos) << option << ": " << run.err;
    }
    EXPECT_EQ(JxlImport({"--no-such-option"}).err.find("unknown option"), 0u + std::string("jxl-import: ").size());
}

// The formats: as the tool names them when refusing one, in the help's --format entry,
// and in the man page's.
TEST(JxlImportHelp, ListsEveryFormatTheToolWrites) {
    const std::string refusal = JxlImport({"--format=?", "examples/typical.jxl"}).err;
    const std::size_t from = refusal.find("takes ") + 6;
    std::string list = refusal.substr(from, refusal.find(", not") - from);
    list.replace(list.find(" or "), 4, ", ");
    Names tool;
    for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 2) {
        end = list.find(", ", start);
        tool.insert(list.substr(start, end - start));
    }
    EXPECT_TRUE(tool.count("html")) << refusal;

    Names help;
    for (const std::string& line : LinesOf(HelpText())) {
        // "                           html   one page ...": a name, then two blanks or more.
        if (line.size() < 30 || line.find_first_not_of(' ') != 27) continue;
        const std::size_t end = line.find(' ', 27);
        if (end != std::string::npos && line.compare(end, 2, "  ") == 0) help.insert(line.substr(27, end - 27));
    }
    EXPECT_EQ(help, tool);

    Names man;
    const std::vector<std::string> lines = ManOptionsSection();
    bool inFormat = false;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (StartsWith(lines[i], ".BI \\-\\-format")) inFormat = true;
        if (lines[i] == ".RE") inFormat = false;
        if (inFormat && lines[i - 1] == ".TP" && StartsWith(lines[i], ".B ")) man.insert(lines[i].substr(3));
    }
    EXPECT_EQ(man, tool);
}

#ifdef _WIN32
// The words of an example as the command line takes them, blanks inside quotes kept.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    for (const char c : line + " ") {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ' ' && !quoted) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    return words;
}
#endif

// Every example of the help, run as written, one after the other, in a fresh folder that
// holds only a job, as a user's would: each exits 0 and says nothing on standard error.
// Windows runs those that need no shell of their own (no pipe, redirection or pattern).
TEST(JxlImportHelp, ItsExamplesRunInAFreshFolder) {
    const std::string folder = Support::ScratchPath("fresh");
    std::filesystem::create_directories(std::filesystem::u8path(folder));
    Support::WriteScratchFile("fresh/job.jxl", ToolRun::SourceFile("examples/typical.jxl"));
    int examples = 0;
    bool plugin = false;
    for (std::string line : LinesOf(HelpText())) {
        line.erase(0, line.find_first_not_of(' '));
        if (!StartsWith(line, "jxl-import ") && !StartsWith(line, "cat ")) continue;
#ifdef _WIN32
        if (line.find_first_of("|<>*") != std::string::npos) continue;
        std::vector<std::string> args = Words(line);
        args.erase(args.begin());
        ToolRun::RunOptions options;
        options.folder = folder;
        const ToolRun::Result run = JxlImport(args, options);
#else
        const ToolRun::Result run = ToolRun::Shell(line, folder);
#endif
        ++examples;
        plugin = plugin || line.find(" --plugin ") != std::string::npos;
        EXPECT_EQ(run.status, 0) << line << "\n" << run.err;
        EXPECT_EQ(run.err, "") << line;
    }
    EXPECT_TRUE(plugin);
#ifdef _WIN32
    EXPECT_GE(examples, 10);
#else
    EXPECT_GE(examples, 13);
#endif
}

}  // namespace
