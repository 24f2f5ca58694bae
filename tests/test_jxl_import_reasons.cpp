// What jxl-import adds after the host's text for a file the plug-in reported: the
// system's reason for one it could not open, where RapidXML stops and what it expected,
// or what the plug-in missed in the document's structure, with the setting that imports
// it anyway. The files are written by the tests; the plug-in is the real one.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/text.h"
#include "support.h"
#include "test_jxl_import_run.h"

namespace {

using ToolRun::JxlImport;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

const std::string kCannotOpen = "Не удается открыть файл";
const std::string kBadFormat = "Ошибка в формате файла";
const std::string kNoSuchFile = JXL_REASON("No such file or directory", 2 /* ERROR_FILE_NOT_FOUND */);

std::string Repeated(const std::string& text, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) out += text;
    return out;
}

struct Shown {
    std::string message, reason;  // no reason: empty
};

struct ReasonCase {
    const char* name;
    enum class Input { Bytes, Missing, Folder } input;
    std::string bytes;
    std::vector<std::string> options;
    int status;
    std::vector<Shown> shown;  // on standard error, in order
};

class Reasons : public testing::TestWithParam<ReasonCase> {};

TEST_P(Reasons, FollowTheHostsTextOnStandardError) {
    const ReasonCase& c = GetParam();
    std::string path = Support::ScratchPath(std::string("reason-") + c.name + ".jxl");
    if (c.input == ReasonCase::Input::Bytes) path = Support::WriteScratchFile(std::string("reason-") + c.name + ".jxl", c.bytes);
    if (c.input == ReasonCase::Input::Folder) std::filesystem::create_directories(std::filesystem::u8path(path));
    std::vector<std::string> args = c.options;
    args.push_back(path);
    const ToolRun::Result run = JxlImport(args);
    EXPECT_EQ(run.status, c.status);
    std::string expected;
    for (const Shown& shown : c.shown) {
        expected += path + ": " + shown.message + "\n";
        if (!shown.reason.empty()) expected += path + ": reason: " + shown.reason + "\n";
    }
    EXPECT_EQ(run.err, expected);
}

const std::string kJob = "<?xml version=\"1.0\"?>\n<JOBFile>\n<FieldBook>\n"
                         "<StationRecord ID=\"1\"><StationName>S1</StationName></StationRecord>\n"
                         "</FieldBook>\n<Reductions/>\n</JOBFile>\n";

INSTANTIATE_TEST_SUITE_P(Files, Reasons, testing::Values(
    ReasonCase{"missing", ReasonCase::Input::Missing, "", {}, 1, {{kCannotOpen, kNoSuchFile}}},
    ReasonCase{"folder", ReasonCase::Input::Folder, "", {}, 1, {{kCannotOpen, "is a folder"}}},
    ReasonCase{"empty", ReasonCase::Input::Bytes, "", {}, 1, {{kBadFormat, "the file is empty"}}},
    // Cut inside the closing tag of the station's name: RapidXML wants its '>'.
    ReasonCase{"cut_short", ReasonCase::Input::Bytes, kJob.substr(0, kJob.find("</StationName>") + 8), {}, 1,
               {{kBadFormat, "not well-formed XML at line 4, column 46 (the end of the file): expected >"}}},
    ReasonCase{"html", ReasonCase::Input::Bytes,
               "<!DOCTYPE html>\n<html>\n<head><meta charset=\"utf-8\"></head>\n<body><p>A job</p></body>\n</html>\n", {}, 1,
               {{kBadFormat, "not well-formed XML at line 6, column 1 (the end of the file): unexpected end of data"}}},
    ReasonCase{"random_bytes", ReasonCase::Input::Bytes, "\r\n  \x93\xF1\x07\xC4\x5A\xE2\x31\x88\x00\x4B", {}, 1,
               {{kBadFormat, "not well-formed XML at line 2, column 3: expected <"}}},
    // Line ends of two bytes count as one; columns count bytes.
    ReasonCase{"crlf_and_utf8", ReasonCase::Input::Bytes, "<JOBFile>\r\n<FieldBook>\r\n<Имя b=1/>", {}, 1,
               {{kBadFormat, "not well-formed XML at line 3, column 11: expected ' or \""}}},
    // A byte order mark is no column of the first line.
    ReasonCase{"byte_order_mark", ReasonCase::Input::Bytes, "\xEF\xBB\xBF<JOBFile", {}, 1,
               {{kBadFormat, "not well-formed XML at line 1, column 9 (the end of the file): expected >"}}},
    ReasonCase{"zero_byte", ReasonCase::Input::Bytes, std::string("<JOBFile>\n<Field\0Book/>", 23), {}, 1,
               {{kBadFormat, "not well-formed XML at line 2, column 7 (a zero byte: the plug-in reads the text up to it): "
                             "expected >"}}},
    ReasonCase{"utf16", ReasonCase::Input::Bytes, std::string("\xFF\xFE<\0J\0/\0>\0", 10), {}, 1,
               {{kBadFormat, "the file is UTF-16 text (it starts with a UTF-16 byte order mark); the plug-in reads UTF-8 "
                             "and the Windows code pages"}}},
    ReasonCase{"no_root", ReasonCase::Input::Bytes, "<?xml version=\"1.0\"?>\n<Job><FieldBook/><Reductions/></Job>\n", {}, 1,
               {{kBadFormat, "there is no JOBFile element at the top level"}}},
    ReasonCase{"no_field_book", ReasonCase::Input::Bytes, "<JOBFile><Reductions/></JOBFile>", {}, 1,
               {{kBadFormat, "the JOBFile element has no FieldBook section; --field-book off imports the file without it"}}},
    ReasonCase{"no_field_book_left_out", ReasonCase::Input::Bytes, "<JOBFile><Reductions/></JOBFile>", {"--field-book", "off"}, 0, {}},
    ReasonCase{"no_reductions", ReasonCase::Input::Bytes, "<JOBFile><FieldBook/></JOBFile>", {}, 1,
               {{kBadFormat, "the JOBFile element has no Reductions section; --reductions off imports the file without it"}}},
    ReasonCase{"no_reductions_left_out", ReasonCase::Input::Bytes, "<JOBFile><FieldBook/></JOBFile>", {"--reductions", "off"}, 0, {}},
    // Each missing section is a message of its own, each with its reason.
    ReasonCase{"no_sections", ReasonCase::Input::Bytes, "<JOBFile/>", {}, 1,
               {{kBadFormat, "the JOBFile element has no FieldBook section; --field-book off imports the file without it"},
                {kBadFormat, "the JOBFile element has no Reductions section; --reductions off imports the file without it"}}},
    ReasonCase{"no_sections_field_book_off", ReasonCase::Input::Bytes, "<JOBFile/>", {"--field-book", "off"}, 1,
               {{kBadFormat, "the JOBFile element has no Reductions section; --reductions off imports the file without it"}}},
    // The 256th <a> is the 257th level.
    ReasonCase{"too_deep", ReasonCase::Input::Bytes, "<JOBFile>\n" + Repeated("<a>", 300), {}, 1,
               {{kBadFormat, "elements nest deeper than 256 levels, more than the plug-in reads, at line 2, column 766"}}},
    // Millions of levels: nothing of it reaches RapidXML, which would run out of stack.
    ReasonCase{"hostile_depth", ReasonCase::Input::Bytes, Repeated("<a>", 3000000), {}, 1,
               {{kBadFormat, "elements nest deeper than 256 levels, more than the plug-in reads, at line 1, column 769"}}},
    // Nested as deep as the plug-in reads, then cut short: RapidXML is asked.
    ReasonCase{"deepest_read_cut_short", ReasonCase::Input::Bytes, Repeated("<a>", 255) + "<", {}, 1,
               {{kBadFormat, "not well-formed XML at line 1, column 767 (the end of the file): expected element name"}}},
    ReasonCase{"reference_with_letters", ReasonCase::Input::Bytes,
               "<JOBFile><FieldBook><Note>&#1a;</Note></FieldBook><Reductions/></JOBFile>", {}, 1,
               {{kBadFormat, "a character reference the plug-in does not read (above U+10FFFF, or letters among decimal "
                             "digits) at line 1, column 27"}}}),
    [](const testing::TestParamInfo<ReasonCase>& info) { return std::string(info.param.name); });

// Every format that shows messages shows each one's reason beside it, and a file without
// one as before; the calls are the plug-in's calls alone, its reasons on standard error.
TEST(Reasons, AreShownBesideTheirMessagesInEveryFormat) {
    const std::string empty = Support::WriteScratchFile("reason-format-empty.jxl", "");
    const std::string missing = Support::ScratchPath("reason-format-missing.jxl");
    const std::string emptyReason = "the file is empty";
    const std::vector<std::string> files = {"examples/typical.jxl", empty, missing};
    const std::string err = empty + ": " + kBadFormat + "\n" + empty + ": reason: " + emptyReason + "\n" + missing + ": " +
                            kCannotOpen + "\n" + missing + ": reason: " + kNoSuchFile + "\n";
    std::string csvEmpty = ",message,0,0,0," + kBadFormat + ",";
    Host::AppendCsvField(csvEmpty, emptyReason);
    std::string csvMissing = ",cannot-open,0,0,0," + kCannotOpen + ",";
    Host::AppendCsvField(csvMissing, kNoSuchFile);
    const struct {
        const char* format;
        std::vector<std::string> parts;  // in the output, in this order
        std::string typicalEnd;          // how the file without a reason ends, as before
    } cases[] = {
        {"table",
         {"  message: " + kBadFormat + "\n  reason: " + emptyReason + "\n  outcome: message\n",
          "  message: " + kCannotOpen + "\n  reason: " + kNoSuchFile + "\n  outcome: cannot-open\n"},
         "  1 station, 2 observations, 1 point\n\n"},
        {"csv", {csvEmpty + "\r\n", csvMissing + "\r\n"}, ",file,,,,,,,,,,,,,,,,,ok,1,2,1,,\r\n"},
        {"json",
         {"\"messages\": [" + Host::JsonString(kBadFormat) + "],\n      \"reasons\": [" + Host::JsonString(emptyReason) +
              "],\n      \"progress\": [50, 100],",
          "\"messages\": [" + Host::JsonString(kCannotOpen) + "],\n      \"reasons\": [" + Host::JsonString(kNoSuchFile) +
              "],\n      \"progress\": [],"},
         "\"messages\": [],\n      \"progress\": [50, 100],"},
        {"html",
         {"<li>" + kBadFormat + "<div class=\"reason\">Reason: " + emptyReason + "</div></li>",
          "<li>" + kCannotOpen + "<div class=\"reason\">Reason: " + kNoSuchFile + "</div></li>"},
         ""},
        {"calls", {"{\"op\":\"ShowMessage\",\"arg\":" + Host::JsonString(kBadFormat) + "}\n"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        std::vector<std::string> args = {"--format", c.format};
        args.insert(args.end(), files.begin(), files.end());
        const ToolRun::Result run = JxlImport(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, err);
        std::size_t at = 0;
        for (const std::string& part : c.parts) {
            at = run.out.find(part, at);
            EXPECT_NE(at, std::string::npos) << part << "\n" << run.out;
        }
        EXPECT_TRUE(c.typicalEnd.empty() || Contains(run.out, c.typicalEnd)) << run.out;
        const bool calls = std::string(c.format) == "calls";
        EXPECT_FALSE(calls && (Contains(run.out, emptyReason) || Contains(run.out, kNoSuchFile))) << run.out;
    }
}

}  // namespace
