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

}  // namespace
