// A well-formed document is parsed a record at a time, each record on its own in place:
// what surrounds a record, what its borrowed terminator was, and how large its tree is
// must make no difference to the host.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/file_list.h"
#include "host/receiver.h"
#include "support.h"

namespace {

using Support::ExpectTraces;
using Support::Slice;

std::string Job(const std::string& fieldBook, const std::string& reductions = "") {
    return "<JOBFile><FieldBook>" + fieldBook + "</FieldBook><Reductions>" + reductions + "</Reductions></JOBFile>";
}

std::string Station(const std::string& name) {
    return "<StationRecord><StationName>" + name + "</StationName></StationRecord>";
}

TEST(DocumentParts, WhatSurroundsARecord) {
    const std::string twoStations = R"(
        {"op":"AddStation","arg":"S1"}
        {"op":"AddStation","arg":"S2"}
    )";
    ExpectTraces(Slice::Walk, {
        {"records back to back: each borrows the next one's '<'", Job(Station("S1") + Station("S2")), twoStations},
        {"text with references between records", Job("a&amp;b&#x3c;" + Station("S1") + "&lt;c&gt;" + Station("S2") + "d"),
         twoStations},
        {"comments, CDATA and instructions between and inside records",
         Job("<!-- <StationRecord> -->" + Station("S1") + "<![CDATA[</FieldBook>]]><?pi <x>?>"
             "<StationRecord><!--c--><StationName><![CDATA[x]]>S2</StationName><?pi?></StationRecord>"),
         twoStations},
        {"a declaration among the records is no record", Job(Station("S1") + "<?xml version='1.0'?>" + Station("S2")),
         twoStations},
        {"closing tags are not compared", Job("<StationRecord><StationName>S1</StationName></Other >" + Station("S2")),
         twoStations},
        {"a value expanded at the very end of a record",
         Job("<StationRecord><StationName>S&#49;</StationName></StationRecord>" +
             Station("S&#x32;")),
         twoStations},
        {"records with attributes and empty records",
         Job("<StationRecord ID='1' note=\"&gt;\"><StationName>S1</StationName></StationRecord>"
             "<StationRecord/><TargetRecord ID='t'/><Unknown><StationName>X</StationName></Unknown>" +
             Station("S2")),
         twoStations},
        {"the field book's own text and blanks before its end tag", Job("\n  " + Station("S1") + "\n  " + Station("S2") + "\n"),
         twoStations},
        {"reductions: only Point, each on its own",
         Job("", "<Point><Name>R1</Name></Point><point><Name>X</Name></point><Point><Name>R2</Name></Point>"),
         R"(
             {"op":"AddPoint","arg":"R1"}
             {"op":"AddPoint","arg":"R2"}
         )"},
    });
}

// A record beyond the document's first 64 KiB of node memory takes blocks of its own,
// given back before the next record.
TEST(DocumentParts, RecordsLargerThanTheFirstNodeMemory) {
    std::string features;
    for (int i = 0; i < 2000; ++i) features += "<Feature><Attribute><Name>N</Name><Value>" + std::to_string(i % 10) + "</Value></Attribute></Feature>";
    std::string code = "C ";
    for (int i = 0; i < 2000; ++i) code += "/N=" + std::to_string(i % 10);
    const std::string big = "<PointRecord><Name>P1</Name><Features>" + features + "</Features><Code>C</Code></PointRecord>";
    ExpectTraces(Slice::Walk, {
        {"a large record between small ones", Job(Station("S1") + big + big + Station("S2")), R"(
            {"op":"AddStation","arg":"S1"}
            {"op":"AddPoint","arg":"P1"}
            {"op":"SetCode","arg":")" + code + R"("}
            {"op":"AddPoint","arg":"P1"}
            {"op":"SetCode","arg":")" + code + R"("}
            {"op":"AddStation","arg":"S2"}
        )"},
    });
}

// The text is read a window at a time: the first of 4 KiB, then 8, 16 and so on. Every kind
// of node, tag and reference, cut by a window's edge at each of its bytes, must read as it
// reads whole.
TEST(DocumentParts, WhereverAWindowEnds) {
    const std::string parts =
        "<StationRecord ID='a&amp;b' note=\"&#x3e;\"><StationName>S&#49;&lt;</StationName></StationRecord>"
        "<!-- <x> --><![CDATA[</FieldBook>]]><?pi <y>?><Other/>\n\t "
        "<StationRecord><StationName>S2</StationName></Other >";
    const std::string stations = R"(
        {"op":"AddStation","arg":"S1<"}
        {"op":"AddStation","arg":"S2"}
    )";
    std::vector<Support::TraceCase> whole, cut;
    for (const std::size_t edge : {std::size_t{4096}, std::size_t{12288}}) {
        for (std::size_t shift = 0; shift <= parts.size() + 2; ++shift) {
            // The parts start `shift` bytes before the edge.
            const std::size_t before = edge - shift - std::string("<JOBFile><FieldBook><!---->").size();
            const std::string job = Job("<!--" + std::string(before, 'x') + "-->" + parts);
            whole.push_back({"edge " + std::to_string(edge) + ", parts " + std::to_string(shift) + " bytes before it",
                             job, stations});
            // And the same document cut short at the edge.
            cut.push_back({"cut at edge " + std::to_string(edge) + ", " + std::to_string(shift) + " bytes into the parts",
                             job.substr(0, edge), R"(
                                {"op":"SetResult","arg":-1}
                                {"op":"ShowMessage","arg":"Ошибка в формате файла"}
                                {"op":"SetProgress","arg":100}
                             )"});
        }
    }
    ExpectTraces(Slice::Walk, whole);
    ExpectTraces(Slice::File, cut);
}

// A single node longer than any read so far: the window grows to hold it, for the screen
// and again for the walk.
TEST(DocumentParts, PartsLongerThanTheWindow) {
    const std::string text(3 << 20, 't');
    ExpectTraces(Slice::Walk, {
        {"a text of 3 MiB between records",
         Job(Station("S1") + text + Station("S2")), R"(
             {"op":"AddStation","arg":"S1"}
             {"op":"AddStation","arg":"S2"}
         )"},
        {"a record of 3 MiB",
         Job(Station("S1") + "<StationRecord><StationName>S2</StationName>" + text + "</StationRecord>"), R"(
             {"op":"AddStation","arg":"S1"}
             {"op":"AddStation","arg":"S2"}
         )"},
        {"a comment of 3 MiB before the root", "<!--" + text + "-->" + Job(Station("S1")), R"(
             {"op":"AddStation","arg":"S1"}
         )"},
    });
}

// Imports the scratch file `name`, which holds `before`, rewriting it with `after` once
// the screen has read it, before the first record comes; every call.
Support::Trace ImportChangingFile(const std::string& name, const std::string& before, const std::string& after) {
    class CRewritingReceiver final : public Host::CRecordingReceiver {
    public:
        CRewritingReceiver(Host::CallRecorder* recorder, std::string name, std::string bytes)
            : CRecordingReceiver(recorder), m_name(std::move(name)), m_bytes(std::move(bytes)) {}
        void SetProgress(float percent) override {
            if (percent == 50.0f) Support::WriteScratchFile(m_name, m_bytes);
            CRecordingReceiver::SetProgress(percent);
        }

    private:
        std::string m_name, m_bytes;
    };
    const std::string path = Support::WriteScratchFile(name, before);
    Support::PluginPtr plugin = Support::CreatePlugin();
    Host::CFileList files = Support::FileList({path});
    Host::CallRecorder recorder;
    CRewritingReceiver receiver(&recorder, name, after);
    plugin->Import(&files, &receiver);
    return Support::TraceOf(recorder);
}

const Support::Trace kFormatError = Support::Lines(R"(
    {"op":"SetResult","arg":-1}
    {"op":"ShowMessage","arg":"Ошибка в формате файла"}
)");

// The file is read twice: once by the screen, then a part at a time by the walk. A file
// that changes in between is reported as badly formed from the first part that differs;
// RapidXML never parses text the screen has not read.
TEST(DocumentParts, AFileThatChangesBetweenTheReadings) {
    std::string stations;
    for (int i = 0; i < 400; ++i) stations += Station("S" + std::to_string(1000 + i));  // some 28 KB
    const std::string job = Job(stations);
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    const struct {
        const char* behaviour;
        std::string replacement;
    } cases[] = {
        {"a name changed, the length kept", Job("<StationRecord><StationName>X" + stations.substr(29))},
        {"cut short", job.substr(0, job.size() / 2)},
        {"emptied", ""},
        {"nested far deeper than the screen allows", Job("<StationRecord>" + deep + stations)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        EXPECT_EQ(ImportChangingFile("changing.jxl", job, c.replacement),
                  Support::Framed(Slice::Walk, Support::ScratchPath("changing.jxl"), kFormatError));
    }
}

// A large file's parts are parsed ahead of the walk, a batch at a time and on two threads:
// the host must see the same calls, in the same order, as from a small file.

// `count` computed points from `from` on, each with a north: three calls each.
Support::Piece Points(int from, int count) {
    Support::Piece piece;
    for (int i = from; i < from + count; ++i) {
        const std::string name = "P" + std::to_string(i), north = std::to_string(i) + ".5";
        piece.text += "<Point><Name>" + name + "</Name><Grid><North>" + north + "</North></Grid></Point>\n";
        piece.lines.insert(piece.lines.end(),
                           {Support::Call("AddPoint", name), R"({"op":"Parse","parser":"linear","arg":")" + north + R"(","result":)" + north + "}",
                            R"({"op":"SetNorth","arg":)" + north + "}"});
    }
    return piece;
}

TEST(DocumentParts, LargeFilesParsedAheadOfTheWalk) {
    // Some 100 and 80 bytes each: 20000 stations fill a few MiB, many batches.
    const Support::Piece stations = Support::Stations(0, 20000), more = Support::Stations(20000, 3000),
                         points = Points(0, 15000);
    std::string notes;
    for (int i = 0; i < 20000; ++i) notes += "<NoteRecord><Text>no handler: no tree</Text></NoteRecord>\n";
    const std::string bigText(600 << 10, 't');
    const Support::Piece big = {"<StationRecord><StationName>BIG</StationName>" + bigText + "</StationRecord>",
                                {R"({"op":"AddStation","arg":"BIG"})"}};
    Support::Settings noFieldBook, noReductions;
    noFieldBook.fieldBook = false;
    noReductions.reductions = false;
    using Support::Joined;
    ExpectTraces(Slice::Walk, {
        {"thousands of stations, then thousands of computed points",
         Job(stations.text, points.text), Joined({stations.lines, points.lines})},
        {"a record larger than a batch between others",
         Job(stations.text + big.text + more.text), Joined({stations.lines, big.lines, more.lines})},
        {"records without a handler filling whole batches, before and after stations",
         Job(notes + more.text + notes), more.lines},
        {"only records without a handler", Job(notes, points.text), points.lines},
        {"an empty field book, the computed points large", Job("", points.text), points.lines},
        {"the sections the other way round",
         "<JOBFile><Reductions>" + points.text + "</Reductions><FieldBook>" + more.text + "</FieldBook></JOBFile>",
         Joined({more.lines, points.lines})},
        {"no reductions section after a large field book", "<JOBFile><FieldBook>" + stations.text + "</FieldBook></JOBFile>",
         Joined({stations.lines, kFormatError})},
        {"the field book not imported", Job(stations.text, points.text), points.lines, noFieldBook},
        {"the computed points not imported", Job(stations.text, points.text), stations.lines, noReductions},
    });
}

// What the walk handed over before it met the change stays handed over; nothing after it
// is, not even a record that did not change, and the file is reported as badly formed.
TEST(DocumentParts, ALargeFileThatChangesWhileItIsParsedAhead) {
    const Support::Piece stations = Support::Stations(0, 20000);
    const Support::Trace& all = stations.lines;
    const std::string job = Job(stations.text);
    const std::string lastName = "<StationName>S19999<";
    const std::size_t last = job.rfind(lastName);
    const struct {
        const char* behaviour;
        std::string replacement;
        std::size_t handedAtMost;  // lines of the stations
    } cases[] = {
        {"the last station's name changed", job.substr(0, last) + "<StationName>X19999<" + job.substr(last + lastName.size()),
         all.size() - 3},
        {"the first station's name changed", Job("<StationRecord><StationName>X" + stations.text.substr(29)), 0},
        {"cut short in the middle", job.substr(0, job.size() / 2), all.size() / 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        const Support::Trace walk = Support::Sliced(ImportChangingFile("changing-ahead.jxl", job, c.replacement), Slice::Walk);
        ASSERT_GE(walk.size(), 2u);
        const std::size_t handed = walk.size() - 2;
        EXPECT_EQ(Support::Trace(walk.begin() + static_cast<long>(handed), walk.end()), kFormatError);
        EXPECT_LE(handed, c.handedAtMost);
        EXPECT_EQ(handed % 3, 0u) << "a station handed over in part";
        EXPECT_EQ(Support::Trace(walk.begin(), walk.begin() + static_cast<long>(handed)),
                  Support::Trace(all.begin(), all.begin() + static_cast<long>(handed)));
    }
}

}  // namespace
