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
        const std::string path = Support::WriteScratchFile("changing.jxl", job);
        // Rewrites the file once the screen has read it, before the first record comes.
        class CRewritingReceiver final : public Host::CRecordingReceiver {
        public:
            CRewritingReceiver(Host::CallRecorder* recorder, std::string path, std::string bytes)
                : CRecordingReceiver(recorder), m_path(std::move(path)), m_bytes(std::move(bytes)) {}
            void SetProgress(float percent) override {
                if (percent == 50.0f) Support::WriteScratchFile("changing.jxl", m_bytes);
                CRecordingReceiver::SetProgress(percent);
            }

        private:
            std::string m_path, m_bytes;
        };
        Support::PluginPtr plugin = Support::CreatePlugin();
        Host::CFileList files = Support::FileList({path});
        Host::CallRecorder recorder;
        CRewritingReceiver receiver(&recorder, path, c.replacement);
        plugin->Import(&files, &receiver);
        EXPECT_EQ(Support::TraceOf(recorder), Support::Framed(Slice::Walk, path, {
            R"({"op":"SetResult","arg":-1})", R"({"op":"ShowMessage","arg":"Ошибка в формате файла"})"}));
    }
}

}  // namespace

// A large file's parts are parsed ahead of the walk, a batch at a time and on two threads:
// the host must see the same calls, in the same order, as from a small file.
namespace Ahead {

// A station with its height, and its lines.
std::string Station(int i) {
    return "<StationRecord><StationName>S" + std::to_string(i) + "</StationName><TheodoliteHeight>1." +
           std::to_string(i % 1000) + "</TheodoliteHeight></StationRecord>\n";
}
std::string StationLines(int i) {
    const std::string height = "1." + std::to_string(i % 1000);
    std::string number = height;
    while (number.back() == '0') number.pop_back();
    if (number.back() == '.') number.pop_back();
    return R"({"op":"AddStation","arg":"S)" + std::to_string(i) + "\"}\n" +
           R"({"op":"Parse","parser":"linear","arg":")" + height + R"(","result":)" + number + "}\n" +
           R"({"op":"SetInstrumentHeight","arg":)" + number + "}\n";
}
std::string Point(int i) {
    return "<Point><Name>P" + std::to_string(i) + "</Name><Grid><North>" + std::to_string(i) + ".5</North></Grid></Point>\n";
}
std::string PointLines(int i) {
    const std::string north = std::to_string(i) + ".5";
    return R"({"op":"AddPoint","arg":"P)" + std::to_string(i) + "\"}\n" +
           R"({"op":"Parse","parser":"linear","arg":")" + north + R"(","result":)" + north + "}\n" +
           R"({"op":"SetNorth","arg":)" + north + "}\n";
}

// `count` of them from `from` on: the document's text and the lines expected.
struct Piece {
    std::string text, lines;
};
Piece Stations(int from, int count) {
    Piece piece;
    for (int i = from; i < from + count; ++i) piece.text += Station(i), piece.lines += StationLines(i);
    return piece;
}
Piece Points(int from, int count) {
    Piece piece;
    for (int i = from; i < from + count; ++i) piece.text += Point(i), piece.lines += PointLines(i);
    return piece;
}

}  // namespace Ahead

TEST(DocumentParts, LargeFilesParsedAheadOfTheWalk) {
    using namespace Ahead;
    // Some 100 and 80 bytes each: 20000 stations fill a few MiB, many batches.
    const Piece stations = Stations(0, 20000), more = Stations(20000, 3000), points = Points(0, 15000);
    std::string notes;
    for (int i = 0; i < 20000; ++i) notes += "<NoteRecord><Text>no handler: no tree</Text></NoteRecord>\n";
    const std::string bigText(600 << 10, 't');
    const Piece big = {"<StationRecord><StationName>BIG</StationName>" + bigText + "</StationRecord>",
                       R"({"op":"AddStation","arg":"BIG"})" "\n"};
    Support::Settings noFieldBook, noReductions;
    noFieldBook.fieldBook = false;
    noReductions.reductions = false;
    ExpectTraces(Slice::Walk, {
        {"thousands of stations, then thousands of computed points",
         Job(stations.text, points.text), stations.lines + points.lines},
        {"a record larger than a batch between others",
         Job(stations.text + big.text + more.text), stations.lines + big.lines + more.lines},
        {"records without a handler filling whole batches, before and after stations",
         Job(notes + more.text + notes), more.lines},
        {"only records without a handler", Job(notes, points.text), points.lines},
        {"an empty field book, the computed points large", Job("", points.text), points.lines},
        {"the sections the other way round",
         "<JOBFile><Reductions>" + points.text + "</Reductions><FieldBook>" + more.text + "</FieldBook></JOBFile>",
         more.lines + points.lines},
        {"no reductions section after a large field book", "<JOBFile><FieldBook>" + stations.text + "</FieldBook></JOBFile>",
         stations.lines + R"(
             {"op":"SetResult","arg":-1}
             {"op":"ShowMessage","arg":"Ошибка в формате файла"}
         )"},
        {"the field book not imported", Job(stations.text, points.text), points.lines, noFieldBook},
        {"the computed points not imported", Job(stations.text, points.text), stations.lines, noReductions},
    });
}

// What the walk handed over before it met the change stays handed over; nothing after it
// is, not even a record that did not change, and the file is reported as badly formed.
TEST(DocumentParts, ALargeFileThatChangesWhileItIsParsedAhead) {
    using namespace Ahead;
    const Piece stations = Stations(0, 20000);
    const std::string job = Job(stations.text);
    const Support::Trace all = Support::Lines(stations.lines);
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
        const std::string path = Support::WriteScratchFile("changing-ahead.jxl", job);
        class CRewritingReceiver final : public Host::CRecordingReceiver {
        public:
            CRewritingReceiver(Host::CallRecorder* recorder, std::string bytes)
                : CRecordingReceiver(recorder), m_bytes(std::move(bytes)) {}
            void SetProgress(float percent) override {
                if (percent == 50.0f) Support::WriteScratchFile("changing-ahead.jxl", m_bytes);
                CRecordingReceiver::SetProgress(percent);
            }

        private:
            std::string m_bytes;
        };
        Support::PluginPtr plugin = Support::CreatePlugin();
        Host::CFileList files = Support::FileList({path});
        Host::CallRecorder recorder;
        CRewritingReceiver receiver(&recorder, c.replacement);
        plugin->Import(&files, &receiver);
        const Support::Trace walk = Support::Sliced(Support::TraceOf(recorder), Slice::Walk);
        ASSERT_GE(walk.size(), 2u);
        const std::size_t handed = walk.size() - 2;
        EXPECT_EQ(Support::Trace(walk.begin() + static_cast<long>(handed), walk.end()),
                  Support::Lines(R"(
                      {"op":"SetResult","arg":-1}
                      {"op":"ShowMessage","arg":"Ошибка в формате файла"}
                  )"));
        EXPECT_LE(handed, c.handedAtMost);
        EXPECT_EQ(handed % 3, 0u) << "a station handed over in part";
        EXPECT_EQ(Support::Trace(walk.begin(), walk.begin() + static_cast<long>(handed)),
                  Support::Trace(all.begin(), all.begin() + static_cast<long>(handed)));
    }
}
