// Texts that are not plain ASCII reach the host as the same characters, and IDs written
// with them still find their records.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

using Support::ExpectTraces;
using Support::Slice;

TEST(RecordTexts, KeepEveryCharacterOfNamesCodesAndIds) {
    const std::string document = R"(<?xml version="1.0" encoding="UTF-8"?>
<JOBFile><FieldBook>
  <AtmosphereRecord ID="атм"><Pressure>1010</Pressure></AtmosphereRecord>
  <TargetRecord ID="цель"><TargetHeight>1.5</TargetHeight></TargetRecord>
  <StationRecord><StationName>Станция 1</StationName><AtmosphereID>атм</AtmosphereID></StationRecord>
  <BackBearingRecord><BackSight>Ёлка</BackSight><Face1HorizontalCircle>0</Face1HorizontalCircle></BackBearingRecord>
  <PointRecord><Name>Пункт 𝔸</Name><TargetID>цель</TargetID><Circle/><Code>Дерево</Code>
    <Features><Feature><Attribute><Name>Порода</Name><Value>Дуб &amp; клён</Value></Attribute></Feature></Features>
  </PointRecord>
</FieldBook><Reductions>
  <Point><Name>Репер №5</Name><Code>Марка</Code></Point>
</Reductions></JOBFile>)";
    ExpectTraces(Slice::Walk, {
        {"UTF-8 document", document, R"(
            {"op":"Parse","parser":"pressure","arg":"1010","result":1010}
            {"op":"Parse","parser":"linear","arg":"1.5","result":1.5}
            {"op":"AddStation","arg":"Станция 1"}
            {"op":"SetPressure","arg":1010}
            {"op":"Parse","parser":"angle","arg":"0","result":0}
            {"op":"AddObservation","arg":"Ёлка"}
            {"op":"SetHorizontalCircle","arg":0}
            {"op":"SetFace","arg":false}
            {"op":"AddObservation","arg":"Пункт 𝔸"}
            {"op":"SetTargetHeight","arg":1.5}
            {"op":"SetCode","arg":"Дерево /Порода=Дуб & клён"}
            {"op":"AddPoint","arg":"Репер №5"}
            {"op":"SetCode","arg":"Марка"}
        )"},
    });
}

// The words a record is only compared with ("true", "Face1", "KeyedIn", "Feature",
// "Attribute") match only themselves, whatever other bytes stand in or around them and in
// either code page a declaration selects; character references that spell them do match.
TEST(RecordTexts, MatchTheComparedWordsExactly) {
    const auto document = [](const std::string& encoding, const std::string& deleted, const std::string& face,
                             const std::string& method, const std::string& feature, const std::string& attribute) {
        return R"(<?xml version="1.0" encoding=")" + encoding + R"("?><JOBFile><FieldBook>)"
               "<PointRecord><Deleted>" + deleted + "</Deleted><Name>P1</Name><Circle><Face>" + face +
               "</Face></Circle></PointRecord>"
               "<PointRecord><Deleted>" + deleted + "</Deleted><Name>P2</Name><SurveyMethod>" + method +
               "</SurveyMethod><Code>C</Code><Features><" + feature + "><" + attribute +
               "><Name>A</Name><Value>1</Value></" + attribute + "></" + feature + "></Features></PointRecord>"
               "</FieldBook><Reductions/></JOBFile>";
    };
    const std::string matched = R"(
        {"op":"AddObservation","arg":"P1"}
        {"op":"SetFace","arg":false}
        {"op":"AddPoint","arg":"P2"}
        {"op":"MarkKeyedIn"}
        {"op":"SetKeyedInFlag","arg":false}
        {"op":"SetCode","arg":"C /A=1"}
    )";
    const std::string unmatched = R"(
        {"op":"AddObservation","arg":"P1"}
        {"op":"AddPoint","arg":"P2"}
        {"op":"SetCode","arg":"C"}
    )";
    const std::string unmatchedButFeatures = R"(
        {"op":"AddObservation","arg":"P1"}
        {"op":"AddPoint","arg":"P2"}
        {"op":"SetCode","arg":"C /A=1"}
    )";
    const std::string accent = "\xC3\xA9";  // é in UTF-8; two letters in windows-1251
    ExpectTraces(Slice::Walk, {
        {"the words", document("UTF-8", "false", "Face1", "KeyedIn", "Feature", "Attribute"), matched},
        {"the words, windows-1251", document("windows-1251", "false", "Face1", "KeyedIn", "Feature", "Attribute"),
         matched},
        {"spelled by references", document("UTF-8", "&#116;rue", "Face&#x31;", "Keyed&#73;n", "Feature", "Attribute"),
         ""},
        {"spelled by references, not deleted",
         document("UTF-8", "&#102;alse", "Face&#x31;", "Keyed&#73;n", "Feature", "Attribute"), matched},
        {"a letter more after each",
         document("UTF-8", "true" + accent, "Face1" + accent, "KeyedIn" + accent, "Feature" + accent,
                  "Attribute" + accent),
         unmatched},
        {"a letter more after each, windows-1251",
         document("windows-1251", "true" + accent, "Face1" + accent, "KeyedIn" + accent, "Feature" + accent,
                  "Attribute" + accent),
         unmatched},
        {"a letter in place of the last",
         document("UTF-8", "tru" + accent, "Face" + accent, "KeyedI" + accent, "Featur" + accent,
                  "Attribut" + accent),
         unmatched},
        {"a letter before each",
         document("UTF-8", accent + "true", accent + "Face1", accent + "KeyedIn", "Feature", "Attribute"),
         unmatchedButFeatures},
        {"a malformed byte after each",
         document("UTF-8", "true\xFF", "Face1\xFF", "KeyedIn\xFF", "Feature", "Attribute"),
         unmatchedButFeatures},
    });
}

}  // namespace
