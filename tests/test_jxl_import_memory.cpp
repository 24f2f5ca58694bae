// jxl-import with less memory than a job needs: the job is reported as stopped, by its
// path, and the next file on the command line is still imported.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support.h"
#include "test_jxl_import_run.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define JXL_SANITIZED 1  // the sanitizers reserve far more address space than the limit
#endif
#endif

namespace {

using Support::Call;

#if !defined(_WIN32) && !defined(JXL_SANITIZED)

// Far more than jxl-import needs for itself, far less than the jobs below.
constexpr std::size_t kMemoryLimit = std::size_t{256} << 20;

TEST(JxlImportUnderAMemoryLimit, AJobTooLargeIsReportedAndTheNextFileImported) {
    // A file of 1 GiB, all of it but its first tag a hole, whose buffer cannot be had. And
    // one of 20 MB whose record of five million elements makes a tree of some 500 MB.
    const std::string hole = Support::ScratchPath("memory-hole.jxl");
    Support::WriteScratchFile("memory-hole.jxl", "<JOBFile>");
    std::filesystem::resize_file(std::filesystem::u8path(hole), std::uintmax_t{1} << 30);
    std::string elements = "<JOBFile><FieldBook><StationRecord>";
    for (int i = 0; i < 5'000'000; ++i) elements += "<x/>";
    const std::string tree = Support::WriteScratchFile("memory-tree.jxl", elements + "</StationRecord></FieldBook><Reductions/></JOBFile>");

    const ToolRun::Result run =
        ToolRun::JxlImportWithMemoryLimit({"--format", "calls", hole, tree, "examples/typical.jxl"}, kMemoryLimit);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, hole + ": Недостаточно памяти для импорта файла\n" + tree + ": Недостаточно памяти для импорта файла\n");
    const std::string report = "{\"op\":\"SetResult\",\"arg\":-1}\n{\"op\":\"ShowMessage\",\"arg\":\"Недостаточно памяти для импорта файла\"}\n";
    // The hole's buffer is asked for before anything of the host: its value parsers are
    // never made.
    const auto lines = [](std::initializer_list<std::vector<std::string>> parts) {
        std::string text;
        for (const auto& part : parts)
            for (const std::string& line : part) text += line + "\n";
        return text;
    };
    const std::string walked = lines({Support::ParsersMade(), {R"({"op":"SetProgress","arg":50})"}, Support::ParsersReleased()});
    EXPECT_EQ(run.out, Call("BeginFile", hole) + "\n" + report + Call("BeginFile", tree) + "\n" + walked + report +
                           ToolRun::SourceFile("tests/expected/typical.calls"));
}

// A badly formed job that the plug-in holds, but whose second look by the tool (the bytes
// twice, then RapidXML's tree) does not fit: it goes without a reason, and the import on.
TEST(JxlImportUnderAMemoryLimit, AReasonThatDoesNotFitIsLeftOut) {
    const std::string cut = Support::WriteScratchFile(
        "memory-cut.jxl", "<JOBFile><FieldBook><Note>" + std::string(std::size_t{36} << 20, 'x'));
    const ToolRun::Result run = ToolRun::JxlImportWithMemoryLimit({cut, "examples/typical.jxl"}, std::size_t{64} << 20);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, cut + ": Ошибка в формате файла\n");
    EXPECT_NE(run.out.find("examples/typical.jxl\n"), std::string::npos) << run.out;
}

#endif

}  // namespace
