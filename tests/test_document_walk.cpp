// The walk over a document: what is parsed, which sections are read, what is reported.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

using Support::ExpectTraces;
using Support::Slice;
using Support::kMalformed;

const std::string kStation = "<StationRecord><StationName>S1</StationName></StationRecord>";
const std::string kPoint = "<Point><Name>R1</Name></Point>";
const char* const kStationAdded = R"({"op":"AddStation","arg":"S1"})";
const char* const kReported = R"(
    {"op":"SetResult","arg":-1}
    {"op":"ShowMessage","arg":"Ошибка в формате файла"}
)";

std::string Job(const std::string& inside) { return "<JOBFile>" + inside + "</JOBFile>"; }

TEST(DocumentWalk, Sections) {
    const std::string both = Job("<FieldBook>" + kStation + "</FieldBook><Reductions>" + kPoint + "</Reductions>");
    const std::string fieldBookOnly = Job("<FieldBook>" + kStation + "</FieldBook>");
    ExpectTraces(Slice::Walk, {
        {"both sections", both, R"(
            {"op":"AddStation","arg":"S1"}
            {"op":"AddPoint","arg":"R1"}
        )"},
        {"both settings off: nothing but progress", both, "", {true, false, false}},
        {"reductions walked after the field book, wherever they stand",
         Job("<Reductions>" + kPoint + "</Reductions><FieldBook>" + kStation + "</FieldBook>"), R"(
            {"op":"AddStation","arg":"S1"}
            {"op":"AddPoint","arg":"R1"}
        )"},
        {"field book missing: reported, reductions still read", Job("<Reductions>" + kPoint + "</Reductions>"),
         kReported + std::string(R"({"op":"AddPoint","arg":"R1"})")},
        {"reductions missing: the field book stays imported", fieldBookOnly, kStationAdded + std::string(kReported)},
        {"a missing section not asked for is no error", fieldBookOnly, kStationAdded, {true, true, false}},
        {"neither section: reported once per section asked for", Job(""), kReported + std::string(kReported)},
        {"only the first field book and the first reductions",
         Job("<FieldBook>" + kStation + "</FieldBook><FieldBook><StationRecord><StationName>S2</StationName>"
             "</StationRecord></FieldBook><Reductions/><Reductions>" + kPoint + "</Reductions>"),
         kStationAdded},
        {"sections are found among the root's children only",
         Job("<Job><FieldBook>" + kStation + "</FieldBook><Reductions/></Job>"), kReported + std::string(kReported)},
    });
}

TEST(DocumentWalk, Root) {
    const std::string sections = "<FieldBook>" + kStation + "</FieldBook><Reductions/>";
    ExpectTraces(Slice::Walk, {
        {"root named otherwise in letter case", "<JobFile>" + sections + "</JobFile>", kReported},
        {"another top-level element before the root", "<Header/>\n" + Job(sections), kStationAdded},
        {"only the first root is walked",
         Job(sections) + Job("<FieldBook><StationRecord><StationName>S2</StationName></StationRecord></FieldBook>"
                             "<Reductions/>"),
         kStationAdded},
        {"zero-byte file", "", kReported},
        {"a byte-order mark before the declaration", "\xEF\xBB\xBF<?xml version='1.0'?>" + Job(sections),
         kStationAdded},
        {"a zero byte after the root: the rest is ignored", Job(sections) + std::string(1, '\0') + "<<garbage",
         kStationAdded},
        {"closing tag names are not compared", "<JOBFile><FieldBook>" + kStation + "</Book><Reductions/></Job>",
         kStationAdded},
    });
    ExpectTraces(Slice::File, {
        {"text before the root is malformed", "job\n" + Job(sections), kMalformed},
        {"a zero byte inside the root ends the text", Job(sections).insert(12, 1, '\0'), kMalformed},
        {"unclosed root", "<JOBFile><FieldBook/>", kMalformed},
        {"unterminated comment", Job("<FieldBook/><!-- <Reductions/>"), kMalformed},
        {"unterminated CDATA", Job("<FieldBook/><![CDATA[ <Reductions/>"), kMalformed},
        {"unterminated declaration", "<?xml version='1.0' " + Job(sections), kMalformed},
        {"unterminated DOCTYPE", "<!DOCTYPE JOBFile [ <!ELEMENT a (b)> " + Job(sections), kMalformed},
    });
}

TEST(DocumentWalk, FieldBookChildren) {
    ExpectTraces(Slice::Walk, {
        {"elements without a handler, text, CDATA and comments are skipped",
         Support::FieldBook("text<Note>n</Note><![CDATA[<StationRecord/>]]><!-- <StationRecord> -->"
                            "<?pi <StationRecord>?><stationrecord><StationName>lower</StationName></stationrecord>" +
                            kStation),
         kStationAdded},
        {"reductions children other than Point, in any letter case, are skipped",
         Support::Reductions("<point><Name>a</Name></point><Points><Name>b</Name></Points>text" + kPoint),
         R"({"op":"AddPoint","arg":"R1"})"},
    });
}

TEST(DocumentWalk, ValuesAsTheParserLeavesThem) {
    auto station = [](const std::string& name) {
        return Support::FieldBook("<StationRecord><StationName>" + name + "</StationName></StationRecord>");
    };
    ExpectTraces(Slice::Walk, {
        {"blanks around other text are kept", station("  S 1\t"), R"({"op":"AddStation","arg":"  S 1\t"})"},
        {"only blanks: the empty value", station(" \r\n\t "), ""},
        {"character references and the five entities", station("&#65;&#x42;&#x430;&lt;&gt;&amp;&quot;&apos;"),
         R"({"op":"AddStation","arg":"ABа<>&\"'"})"},
        {"other entities stay as written", station("&nbsp;&amp"), R"({"op":"AddStation","arg":"&nbsp;&amp"})"},
        {"CDATA is never a value", station("<![CDATA[S9]]>"), ""},
        {"the first text after CDATA is", station("<![CDATA[S9]]>S1"), kStationAdded},
        {"the first text after a child element is", station("<b>x</b>S1<c/>S2"), kStationAdded},
        {"a comment splits the text; the first part is the value", station("S<!-- c -->1"),
         R"({"op":"AddStation","arg":"S"})"},
        {"a reference to zero ends the value", station("S&#0;1"), R"({"op":"AddStation","arg":"S"})"},
    });
    ExpectTraces(Slice::File, {
        {"a reference to a code point above U+10FFFF", station("&#x110000;"), kMalformed},
        {"a reference without its semicolon", station("&#65 x"), kMalformed},
        // RapidXML reads a decimal reference's digits with its hexadecimal table: a letter
        // among them is a reference cut short before its semicolon all the same.
        {"a letter among decimal digits", station("&#1a;Z"), kMalformed},
        {"a letter right after the #", station("&#a;Z"), kMalformed},
        {"a reference so large it would wrap round to 'A'", station("&#x100000041;"), kMalformed},
        {"a wrapping reference in an attribute", Support::FieldBook("<TargetRecord ID='&#4294967361;'/>"), kMalformed},
    });
}

}  // namespace
