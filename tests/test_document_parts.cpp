// A well-formed document is parsed a record at a time, each record on its own in place:
// what surrounds a record, what its borrowed terminator was, and how large its tree is
// must make no difference to the host.
#include <gtest/gtest.h>

#include <string>

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

// Many records in each section, in either order, under every choice of sections: each is
// parsed and walked before the next.

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

TEST(DocumentParts, ManyRecords) {
    const Support::Piece stations = Support::Stations(0, 3000), more = Support::Stations(3000, 300),
                         points = Points(0, 2000);
    std::string notes;
    for (int i = 0; i < 3000; ++i) notes += "<NoteRecord><Text>no handler: no tree</Text></NoteRecord>\n";
    const Support::Piece big = {"<StationRecord><StationName>BIG</StationName>" + std::string(600 << 10, 't') + "</StationRecord>",
                                {R"({"op":"AddStation","arg":"BIG"})"}};
    const Support::Trace formatError = Support::Lines(R"(
        {"op":"SetResult","arg":-1}
        {"op":"ShowMessage","arg":"Ошибка в формате файла"}
    )");
    Support::Settings noFieldBook, noReductions;
    noFieldBook.fieldBook = false;
    noReductions.reductions = false;
    using Support::Joined;
    ExpectTraces(Slice::Walk, {
        {"thousands of stations, then thousands of computed points",
         Job(stations.text, points.text), Joined({stations.lines, points.lines})},
        {"a record of 600 KiB between others",
         Job(stations.text + big.text + more.text), Joined({stations.lines, big.lines, more.lines})},
        {"records without a handler before and after stations", Job(notes + more.text + notes), more.lines},
        {"only records without a handler", Job(notes, points.text), points.lines},
        {"an empty field book", Job("", points.text), points.lines},
        {"the sections the other way round",
         "<JOBFile><Reductions>" + points.text + "</Reductions><FieldBook>" + more.text + "</FieldBook></JOBFile>",
         Joined({more.lines, points.lines})},
        {"no reductions section after a large field book", "<JOBFile><FieldBook>" + stations.text + "</FieldBook></JOBFile>",
         Joined({stations.lines, formatError})},
        {"the field book not imported", Job(stations.text, points.text), points.lines, noFieldBook},
        {"the computed points not imported", Job(stations.text, points.text), stations.lines, noReductions},
    });
}

}  // namespace
