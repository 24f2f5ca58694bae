// The walk over a document: what is parsed, which sections are read, what is reported.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

using Support::ExpectTraces;
using Support::Slice;
using Support::kMalformed;

const char* const kStation = "<StationRecord><StationName>S1</StationName></StationRecord>";
const char* const kPoint = "<Point><Name>R1</Name></Point>";

std::string Job(const std::string& inside) { return "<JOBFile>" + inside + "</JOBFile>"; }

TEST(DocumentWalk, Sections) {
    const std::string both = Job(std::string("<FieldBook>") + kStation + "</FieldBook><Reductions>" + kPoint + "</Reductions>");
    ExpectTraces(Slice::File, {
        {"both sections", both, R"(
            {"op":"SetProgress","arg":50}
            {"op":"AddStation","arg":"S1"}
            {"op":"AddPoint","arg":"R1"}
            {"op":"SetProgress","arg":100}
        )"},
        {"both settings off: nothing but progress", both, R"(
            {"op":"SetProgress","arg":50}
            {"op":"SetProgress","arg":100}
        )", {true, false, false}},
        {"reductions walked after the field book, wherever they stand",
         Job(std::string("<Reductions>") + kPoint + "</Reductions><FieldBook>" + kStation + "</FieldBook>"), R"(
            {"op":"SetProgress","arg":50}
            {"op":"AddStation","arg":"S1"}
            {"op":"AddPoint","arg":"R1"}
            {"op":"SetProgress","arg":100}
        )"},
        {"field book missing: reported, reductions still read", Job(std::string("<Reductions>") + kPoint + "</Reductions>"), R"(
            {"op":"SetProgress","arg":50}
            {"op":"SetResult","arg":-1}
            {"op":"ShowMessage","arg":"Ошибка в формате файла"}
            {"op":"AddPoint","arg":"R1"}
            {"op":"SetProgress","arg":100}
        )"},
        {"reductions missing: the field book stays imported", Job(std::string("<FieldBook>") + kStation + "</FieldBook>"), R"(
            {"op":"SetProgress","arg":50}
            {"op":"AddStation","arg":"S1"}
            {"op":"SetResult","arg":-1}
            {"op":"ShowMessage","arg":"Ошибка в формате файла"}
            {"op":"SetProgress","arg":100}
        )"},
        {"a missing section not asked for is no error", Job(std::string("<FieldBook>") + kStation + "</FieldBook>"), R"(
            {"op":"SetProgress","arg":50}
            {"op":"AddStation","arg":"S1"}
            {"op":"SetProgress","arg":100}
        )", {true, true, false}},
        {"neither section: reported once per section asked for", Job(""), R"(
            {"op":"SetProgress","arg":50}
            {"op":"SetResult","arg":-1}
            {"op":"ShowMessage","arg":"Ошибка в формате файла"}
            {"op":"SetResult","arg":-1}
            {"op":"ShowMessage","arg":"Ошибка в формате файла"}
            {"op":"SetProgress","arg":100}
        )"},
        {"only the first field book and the first reductions",
         Job(std::string("<FieldBook>") + kStation + "</FieldBook><FieldBook><StationRecord><StationName>S2</StationName>"
             "</StationRecord></FieldBook><Reductions/><Reductions>" + kPoint + "</Reductions>"), R"(
            {"op":"SetProgress","arg":50}
            {"op":"AddStation","arg":"S1"}
            {"op":"SetProgress","arg":100}
        )"},
        {"sections are found among the root's children only",
         Job("<Job><FieldBook>" + std::string(kStation) + "</FieldBook><Reductions/></Job>"), R"(
            {"op":"SetProgress","arg":50}
            {"op":"SetResult","arg":-1}
            {"op":"ShowMessage","arg":"Ошибка в формате файла"}
            {"op":"SetResult","arg":-1}
            {"op":"ShowMessage","arg":"Ошибка в формате файла"}
            {"op":"SetProgress","arg":100}
        )"},
    });
}

TEST(DocumentWalk, Root) {
    const std::string sections = std::string("<FieldBook>") + kStation + "</FieldBook><Reductions/>";
    ExpectTraces(Slice::File, {
        {"root named otherwise in letter case", "<JobFile>" + sections + "</JobFile>", R"(
            {"op":"SetProgress","arg":50}
            {"op":"SetResult","arg":-1}
            {"op":"ShowMessage","arg":"Ошибка в формате файла"}
            {"op":"SetProgress","arg":100}
        )"},
        {"another top-level element before the root", "<Header/>\n" + Job(sections), R"(
            {"op":"SetProgress","arg":50}
            {"op":"AddStation","arg":"S1"}
            {"op":"SetProgress","arg":100}
        )"},
        {"only the first root is walked", Job(sections) + Job("<FieldBook><StationRecord><StationName>S2</StationName>"
                                                              "</StationRecord></FieldBook><Reductions/>"), R"(
            {"op":"SetProgress","arg":50}
            {"op":"AddStation","arg":"S1"}
            {"op":"SetProgress","arg":100}
        )"},
        {"text before the root is malformed", "job\n" + Job(sections), kMalformed},
        {"zero-byte file", "", R"(
            {"op":"SetProgress","arg":50}
            {"op":"SetResult","arg":-1}
            {"op":"ShowMessage","arg":"Ошибка в формате файла"}
            {"op":"SetProgress","arg":100}
        )"},
        {"a byte-order mark before the declaration", "\xEF\xBB\xBF<?xml version='1.0'?>" + Job(sections), R"(
            {"op":"SetProgress","arg":50}
            {"op":"AddStation","arg":"S1"}
            {"op":"SetProgress","arg":100}
        )"},
        {"a zero byte inside the root ends the text", Job(sections).insert(12, 1, '\0'), kMalformed},
        {"a zero byte after the root: the rest is ignored", Job(sections) + std::string(1, '\0') + "<<garbage", R"(
            {"op":"SetProgress","arg":50}
            {"op":"AddStation","arg":"S1"}
            {"op":"SetProgress","arg":100}
        )"},
        {"closing tag names are not compared", "<JOBFile><FieldBook>" + std::string(kStation) + "</Book><Reductions/></Job>", R"(
            {"op":"SetProgress","arg":50}
            {"op":"AddStation","arg":"S1"}
            {"op":"SetProgress","arg":100}
        )"},
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
                            std::string(kStation)),
         R"({"op":"AddStation","arg":"S1"})"},
        {"reductions children other than Point, in any letter case, are skipped",
         Support::Reductions("<point><Name>a</Name></point><Points><Name>b</Name></Points>text" + std::string(kPoint)),
         R"({"op":"AddPoint","arg":"R1"})"},
    });
}

TEST(DocumentWalk, ValuesAsTheParserLeavesThem) {
    auto station = [](const std::string& name) {
        return Support::FieldBook("<StationRecord><StationName>" + name + "</StationName></StationRecord>");
    };
    ExpectTraces(Slice::File, {
        {"blanks around other text are kept", station("  S 1\t"), R"(
            {"op":"SetProgress","arg":50}
            {"op":"AddStation","arg":"  S 1\t"}
            {"op":"SetProgress","arg":100}
        )"},
        {"only blanks: the empty value", station(" \r\n\t "), R"(
            {"op":"SetProgress","arg":50}
            {"op":"SetProgress","arg":100}
        )"},
        {"character references and the five entities", station("&#65;&#x42;&#x430;&lt;&gt;&amp;&quot;&apos;"), R"(
            {"op":"SetProgress","arg":50}
            {"op":"AddStation","arg":"ABа<>&\"'"}
            {"op":"SetProgress","arg":100}
        )"},
        {"other entities stay as written", station("&nbsp;&amp"), R"(
            {"op":"SetProgress","arg":50}
            {"op":"AddStation","arg":"&nbsp;&amp"}
            {"op":"SetProgress","arg":100}
        )"},
        {"CDATA is never a value", station("<![CDATA[S9]]>"), R"(
            {"op":"SetProgress","arg":50}
            {"op":"SetProgress","arg":100}
        )"},
        {"the first text after CDATA is", station("<![CDATA[S9]]>S1"), R"(
            {"op":"SetProgress","arg":50}
            {"op":"AddStation","arg":"S1"}
            {"op":"SetProgress","arg":100}
        )"},
        {"the first text after a child element is", station("<b>x</b>S1<c/>S2"), R"(
            {"op":"SetProgress","arg":50}
            {"op":"AddStation","arg":"S1"}
            {"op":"SetProgress","arg":100}
        )"},
        {"a comment splits the text; the first part is the value", station("S<!-- c -->1"), R"(
            {"op":"SetProgress","arg":50}
            {"op":"AddStation","arg":"S"}
            {"op":"SetProgress","arg":100}
        )"},
        {"a reference to a code point above U+10FFFF", station("&#x110000;"), kMalformed},
        {"a reference without its semicolon", station("&#65 x"), kMalformed},
        // RapidXML reads a decimal reference's digits with its hexadecimal table: a letter
        // among them is a reference cut short before its semicolon all the same.
        {"a letter among decimal digits", station("&#1a;Z"), kMalformed},
        {"a letter right after the #", station("&#a;Z"), kMalformed},
        {"a reference so large it would wrap round to 'A'", station("&#x100000041;"), kMalformed},
        {"a wrapping reference in an attribute", Support::FieldBook("<TargetRecord ID='&#4294967361;'/>"), kMalformed},
        {"a reference to zero ends the value", station("S&#0;1"), R"(
            {"op":"SetProgress","arg":50}
            {"op":"AddStation","arg":"S"}
            {"op":"SetProgress","arg":100}
        )"},
    });
}

}  // namespace
