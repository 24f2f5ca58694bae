// jxl-import's output: every write checked, to the end; --output replaced only by a whole
// output; the output written while the import goes on.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "support.h"
#include "test_jxl_import_run.h"

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#endif

namespace {

using ToolRun::JxlImport;
using ToolRun::RunOptions;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string ReadFile(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The names in a folder.
std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(folder)))
        names.insert(entry.path().filename().u8string());
    return names;
}

// A folder of its own for one test.
std::string NewFolder(const std::string& name) {
    const std::string folder = Support::ScratchPath(name);
    std::filesystem::create_directories(std::filesystem::u8path(folder));
    return folder;
}

struct WriteFailure {
    const char* name;
    std::vector<std::string> args;
    RunOptions::Output output;
    std::string reason;
};

class FailedWrite : public testing::TestWithParam<WriteFailure> {};

// Whatever is written, and wherever it fails (the first write, a later one, the last
// flush), the run ends with one line naming the reason, and status 4.
TEST_P(FailedWrite, IsOneLineWithTheReasonAndStatusFour) {
    const WriteFailure& c = GetParam();
    RunOptions options;
    options.output = c.output;
    const ToolRun::Result run = JxlImport(c.args, options);
    EXPECT_EQ(run.status, 4);
    EXPECT_EQ(run.err, "jxl-import: cannot write output: " + c.reason + "\n");
}

const std::string kFull = "No space left on device";
const std::string kClosed = JXL_REASON("Bad file descriptor", 6 /* ERROR_INVALID_HANDLE */);
const std::string kReadOnly = JXL_REASON("Bad file descriptor", 5 /* ERROR_ACCESS_DENIED */);

std::vector<WriteFailure> WriteFailures() {
    return {
#ifndef _WIN32
    WriteFailure{"csv_to_a_full_device", {"--format", "csv", "examples/traverse.jxl"}, RunOptions::Output::FullDevice, kFull},
    WriteFailure{"calls_to_a_full_device", {"--format", "calls", "examples/traverse.jxl"}, RunOptions::Output::FullDevice, kFull},
    WriteFailure{"table_to_a_full_device", {"examples/typical.jxl"}, RunOptions::Output::FullDevice, kFull},
    WriteFailure{"json_to_a_full_device", {"--format", "json", "examples/typical.jxl"}, RunOptions::Output::FullDevice, kFull},
    WriteFailure{"help_to_a_full_device", {"--help"}, RunOptions::Output::FullDevice, kFull},
    WriteFailure{"version_to_a_full_device", {"--version"}, RunOptions::Output::FullDevice, kFull},
    WriteFailure{"settings_to_a_full_device", {"--show-settings"}, RunOptions::Output::FullDevice, kFull},
    WriteFailure{"output_option_naming_the_full_device", {"-o", "/dev/full", "examples/typical.jxl"}, RunOptions::Output::File,
                 "/dev/full: " + kFull},
#endif
    WriteFailure{"csv_to_closed_output", {"--format", "csv", "examples/traverse.jxl"}, RunOptions::Output::Closed, kClosed},
    WriteFailure{"help_to_closed_output", {"--help"}, RunOptions::Output::Closed, kClosed},
    WriteFailure{"calls_to_read_only_output", {"--format", "calls", "examples/typical.jxl"}, RunOptions::Output::ReadOnly, kReadOnly}};
}

INSTANTIATE_TEST_SUITE_P(Output, FailedWrite, testing::ValuesIn(WriteFailures()),
    [](const testing::TestParamInfo<WriteFailure>& info) { return std::string(info.param.name); });

#ifndef _WIN32
TEST(JxlImportOutput, TheFullDeviceStaysADeviceWhenNamedByOutput) {
    JxlImport({"-o", "/dev/full", "examples/typical.jxl"});
    struct stat info {};
    ASSERT_EQ(::stat("/dev/full", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
}
#endif

TEST(JxlImportOutput, MessagesOfFilesStillComeWhenTheOutputFails) {
    RunOptions options;
    options.output = RunOptions::Output::Closed;
    const ToolRun::Result run = JxlImport({"--format", "csv", "examples/typical.jxl", "examples/malformed.jxl"}, options);
    EXPECT_EQ(run.status, 4);
    EXPECT_EQ(run.err, "examples/malformed.jxl: Ошибка в формате файла\nexamples/malformed.jxl: reason: " +
                           ToolRun::kMalformedReason + "\njxl-import: cannot write output: " + kClosed + "\n");
}

TEST(JxlImportOutput, OutputFileHoldsWhatStandardOutputWouldAndNothingIsLeftBeside) {
    const std::string folder = NewFolder("whole");
    for (const char* format : {"table", "csv", "json", "calls"}) {
        SCOPED_TRACE(format);
        const std::string path = folder + "/traverse." + format;
        const ToolRun::Result written = JxlImport({"--format", format, "-o", path, "examples/traverse.jxl"});
        const ToolRun::Result shown = JxlImport({"--format", format, "examples/traverse.jxl"});
        EXPECT_EQ(written.status, 0) << written.err;
        EXPECT_EQ(written.out, "");
        EXPECT_EQ(ReadFile(path), shown.out);
    }
    EXPECT_EQ(Entries(folder), (std::set<std::string>{"traverse.calls", "traverse.csv", "traverse.json", "traverse.table"}));
}

TEST(JxlImportOutput, OutputFileOfARunWhoseFilesAreNotAllOkIsWrittenWhole) {
    const std::string folder = NewFolder("not-ok");
    const std::string path = folder + "/all.csv";
    const ToolRun::Result run = JxlImport({"--output=" + path, "--format", "csv", "examples/typical.jxl", "examples/malformed.jxl"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(ReadFile(path), "examples/malformed.jxl,file,,,,,,,,,,,,,,,,,message,0,0,0,Ошибка в формате файла,\"" +
                                                  ToolRun::kMalformedReason + "\"\r\n"));
    EXPECT_EQ(Entries(folder), std::set<std::string>{"all.csv"});
}

struct FailedRun {
    const char* name;
    std::vector<std::string> args;  // the output file follows
    int status;
    long long fileSizeLimit = -1;
};

class OutputAfterAFailure : public testing::TestWithParam<FailedRun> {};

// The file that was there stays as it was, and no half file is left beside it.
TEST_P(OutputAfterAFailure, LeavesTheFileAsItWas) {
    const FailedRun& c = GetParam();
    const std::string folder = NewFolder(std::string("failed-") + c.name);
    const std::string path = folder + "/job.csv";
    std::ofstream(std::filesystem::u8path(path), std::ios::binary) << "yesterday's output\n";
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), {"--format", "csv", "-o", path});
    RunOptions options;
    options.fileSizeLimit = c.fileSizeLimit;
    const ToolRun::Result run = JxlImport(args, options);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(ReadFile(path), "yesterday's output\n");
    EXPECT_EQ(Entries(folder), std::set<std::string>{"job.csv"});
}

std::vector<FailedRun> FailedRuns() {
    return {
    FailedRun{"usage", {"--format=xml", "examples/typical.jxl"}, 2},
    FailedRun{"settings_file", {"--settings", "examples/no-such.ini", "examples/typical.jxl"}, 2},
    FailedRun{"plugin", {"--plugin", "examples/no-such-library", "examples/typical.jxl"}, 3},
#ifndef _WIN32
    // The file system refuses the copy beyond 2 KB: "File too large".
    FailedRun{"write", {"examples/traverse.jxl", "examples/traverse.jxl"}, 4, 2048},
#endif
    FailedRun{"settings_save", {"--settings", "no-such-folder/jxl.ini", "--save-settings", "examples/typical.jxl"}, 4}};
}

INSTANTIATE_TEST_SUITE_P(Failures, OutputAfterAFailure, testing::ValuesIn(FailedRuns()),
    [](const testing::TestParamInfo<FailedRun>& info) { return std::string(info.param.name); });

#ifndef _WIN32
TEST(JxlImportOutput, AWriteTheFileSystemRefusesNamesTheFileAndItsReason) {
    const std::string folder = NewFolder("too-large");
    const std::string path = folder + "/job.calls";
    RunOptions options;
    options.fileSizeLimit = 2048;
    const ToolRun::Result run = JxlImport({"--format", "calls", "-o", path, "examples/traverse.jxl"}, options);
    EXPECT_EQ(run.status, 4);
    EXPECT_EQ(run.err, "jxl-import: cannot write output: " + path + ": File too large\n");
    EXPECT_TRUE(Entries(folder).empty());
}
#endif

TEST(JxlImportOutput, OutputIntoAFolderThatIsNotThereIsRefusedBeforeTheImport) {
    const std::string path = Support::ScratchPath("no-such-folder") + "/job.csv";
    const ToolRun::Result run = JxlImport({"-o", path, "examples/malformed.jxl"});
    EXPECT_EQ(run.status, 4);
    // Refused before the import: no message of the plug-in's.
    EXPECT_EQ(run.err, "jxl-import: cannot write output: " + path + ": " +
                           JXL_REASON("No such file or directory", 3 /* ERROR_PATH_NOT_FOUND */) + "\n");
}

#ifndef _WIN32
TEST(JxlImportOutput, OutputThroughALinkReplacesTheFileItNamesAndKeepsTheLink) {
    const std::string folder = NewFolder("link");
    std::ofstream(folder + "/real.csv") << "old\n";
    std::filesystem::create_symlink("real.csv", folder + "/link.csv");
    const ToolRun::Result run = JxlImport({"--format", "csv", "-o", folder + "/link.csv", "examples/typical.jxl"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(std::filesystem::is_symlink(folder + "/link.csv"));
    EXPECT_EQ(ReadFile(folder + "/real.csv"), JxlImport({"--format", "csv", "examples/typical.jxl"}).out);
}

// A job whose calls fill a pipe many times over.
std::string LargeJob() {
    std::string records;
    for (int i = 0; i < 3000; ++i)
        records += "<PointRecord><Name>P" + std::to_string(i) + "</Name><Grid><North>" + std::to_string(5000 + i) +
                   ".125</North><East>2000.5</East><Elevation>100.25</Elevation></Grid></PointRecord>\n";
    return Support::FieldBook(records);
}

bool HasOpen(pid_t pid, const std::string& path) {
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
    DIR* fds = ::opendir(folder.c_str());
    if (!fds) return false;
    bool found = false;
    while (const dirent* entry = ::readdir(fds)) {
        char target[4096];
        const ssize_t length = ::readlink((folder + "/" + entry->d_name).c_str(), target, sizeof target);
        found = found || (length > 0 && std::string(target, static_cast<std::size_t>(length)) == path);
    }
    ::closedir(fds);
    return found;
}

// With nobody reading its output, jxl-import must stop in a write while the first job
// is still open: each item goes out as soon as it is complete, not after the import.
TEST(JxlImportOutput, ItemsAreWrittenWhileTheJobIsStillBeingRead) {
    const std::string first = std::filesystem::canonical(Support::WriteScratchFile("large-first.jxl", LargeJob())).string();
    ::signal(SIGPIPE, SIG_IGN);
    const std::string second = Support::WriteScratchFile("large-second.jxl", LargeJob());
    for (const char* format : {"table", "csv", "json", "calls"}) {
        SCOPED_TRACE(format);
        int output[2];
        ASSERT_EQ(::pipe(output), 0);
        const std::string program = ToolRun::ToolFolder() + "/jxl-import";
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(output[1], 1);
            ::close(output[0]);
            ::execl(program.c_str(), program.c_str(), "--format", format, first.c_str(), second.c_str(), nullptr);
            ::_exit(127);
        }
        ::close(output[1]);
        // Open for a fifth of a second on end: far longer than the job's import takes, so
        // it waits in a write.
        int openChecks = 0;
        for (int attempt = 0; attempt < 1000 && openChecks < 20; ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            openChecks = HasOpen(child, first) ? openChecks + 1 : 0;
        }
        EXPECT_EQ(openChecks, 20);
        // Drain it, and it finishes.
        char buffer[65536];
        while (::read(output[0], buffer, sizeof buffer) > 0) {
        }
        ::close(output[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
}

// Interrupted, jxl-import leaves none of its temporary files behind: neither the copy of
// standard input nor the output not yet in place. A settings file that is a FIFO holds it
// where both exist: read at the start (the test writes it then), it is read again to be
// saved after the import, and there waits for a writer that does not come.
TEST(JxlImportOutput, AnInterruptedRunLeavesNoTemporaryFileBehind) {
    const std::string folder = NewFolder("interrupted");
    const std::string settings = folder + "/jxl.ini";
    const std::string output = folder + "/job.csv";
    ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0);
    int input[2];
    ASSERT_EQ(::pipe(input), 0);
    const std::string program = ToolRun::ToolFolder() + "/jxl-import";
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null < 0 || ::dup2(input[0], 0) < 0 || ::dup2(null, 1) < 0 || ::dup2(null, 2) < 0) ::_exit(127);
        ::close(input[1]);
        ::setenv("TMPDIR", folder.c_str(), 1);
        ::execl(program.c_str(), program.c_str(), "--settings", settings.c_str(), "--save-settings", "--format", "csv",
                "-o", output.c_str(), "-", nullptr);
        ::_exit(127);
    }
    ::close(input[0]);
    const std::string job = ToolRun::SourceFile("examples/typical.jxl");
    EXPECT_EQ(::write(input[1], job.data(), job.size()), static_cast<ssize_t>(job.size()));
    ::close(input[1]);

    // The settings, once a reader has the FIFO open.
    int writer = -1;
    for (int attempt = 0; attempt < 1000 && writer < 0; ++attempt) {
        writer = ::open(settings.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GE(writer, 0);
    const std::string line = "ConsiderPrismConstant=1\n";
    EXPECT_EQ(::write(writer, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    ::close(writer);

    // The copy of standard input and the new output beside job.csv, then the interrupt.
    for (int attempt = 0; attempt < 1000 && Entries(folder).size() < 3; ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::set<std::string> during = Entries(folder);
    const auto named = [&](const std::string& start) {
        return std::count_if(during.begin(), during.end(), [&](const std::string& name) { return name.rfind(start, 0) == 0; });
    };
    EXPECT_EQ(during.size(), 3u);
    EXPECT_EQ(named("jxl-import-stdin-"), 1);
    EXPECT_EQ(named(".job.csv."), 1);
    ::kill(child, SIGINT);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_EQ(Entries(folder), std::set<std::string>{"jxl.ini"});
}
#endif

}  // namespace
