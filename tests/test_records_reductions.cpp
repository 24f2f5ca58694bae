// Computed points of the reductions section: always coordinate points, code first, then
// keyed-in marks and grid coordinates; nothing of the field book's tests applies to them.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

using Support::ExpectTraces;
using Support::Slice;
using Support::Reductions;

std::string Point(const std::string& children) { return Reductions("<Point>" + children + "</Point>"); }

const std::string kGrid = "<Grid><North>10</North><East>20</East><Elevation>30</Elevation></Grid>";
const std::string kGridTrace = R"(
    {"op":"Parse","parser":"linear","arg":"10","result":10}
    {"op":"SetNorth","arg":10}
    {"op":"Parse","parser":"linear","arg":"20","result":20}
    {"op":"SetEast","arg":20}
    {"op":"Parse","parser":"linear","arg":"30","result":30}
    {"op":"SetElevation","arg":30}
)";
const std::string kPoint = R"(
    {"op":"AddPoint","arg":"P1"}
)";

TEST(ReductionsPoints, GiveCodeThenKeyedInThenCoordinates) {
    const std::string all = kPoint + R"(
        {"op":"SetCode","arg":"CP"}
        {"op":"MarkKeyedIn"}
        {"op":"SetKeyedInFlag","arg":false}
    )" + kGridTrace;
    ExpectTraces(Slice::Walk, {
        {"usual order", Point("<Name>P1</Name><Code>CP</Code><SurveyMethod>KeyedIn</SurveyMethod>" + kGrid), all},
        {"reverse order", Point(kGrid + "<SurveyMethod>KeyedIn</SurveyMethod><Code>CP</Code><Name>P1</Name>"), all},
        {"code with attributes",
         Point("<Name>P1</Name><Code>CP</Code><Features><Feature><Attribute><Name>Mark</Name><Value>Pin</Value>"
               "</Attribute></Feature></Features>"),
         kPoint + R"({"op":"SetCode","arg":"CP /Mark=Pin"})"},
        {"attributes without code", Point("<Name>P1</Name><Features><Feature><Attribute><Name>Mark</Name>"
                                          "<Value>Pin</Value></Attribute></Feature></Features>"),
         kPoint},
        {"empty code", Point("<Name>P1</Name><Code/>"), kPoint},
        {"survey method spelled otherwise", Point("<Name>P1</Name><SurveyMethod>keyedIn</SurveyMethod>"), kPoint},
    });
}

TEST(ReductionsPoints, ReadOnlyGridAndNothingOfTheFieldBooksTests) {
    ExpectTraces(Slice::Walk, {
        {"computed grid alone",
         Point("<Name>P1</Name><ComputedGrid><North>1</North><East>2</East></ComputedGrid>"), kPoint},
        {"empty grid beside a computed grid",
         Point("<Name>P1</Name><Grid/><ComputedGrid><North>1</North></ComputedGrid>"), kPoint},
        {"empty coordinate text", Point("<Name>P1</Name><Grid><North/><Elevation>3</Elevation></Grid>"), kPoint + R"(
             {"op":"Parse","parser":"linear","arg":"3","result":3}
             {"op":"SetElevation","arg":3}
         )"},
        {"deleted is still passed", Point("<Deleted>true</Deleted><Name>P1</Name>" + kGrid), kPoint + kGridTrace},
        {"circle gives no observation",
         Point("<Name>P1</Name><TargetID>t1</TargetID><Circle><HorizontalCircle>45</HorizontalCircle></Circle>"),
         kPoint},
    });
}

TEST(ReductionsPoints, WithoutAUsableNameGiveNothing) {
    ExpectTraces(Slice::Walk, {
        {"no name", Point("<Code>CP</Code>" + kGrid), ""},
        {"empty name", Point("<Name></Name><Code>CP</Code>" + kGrid), ""},
        {"blank name", Point("<Name>  </Name><Code>CP</Code>" + kGrid), ""},
        {"empty first name before a full second one", Point("<Name/><Name>P2</Name>" + kGrid), ""},
    });
}

TEST(ReductionsPoints, FollowTheWholeFieldBook) {
    ExpectTraces(Slice::Walk, {
        {"reductions written first",
         "<?xml version=\"1.0\"?><JOBFile><Reductions><Point><Name>R1</Name></Point>"
         "<point><Name>R2</Name></point><Point><Name>R3</Name></Point></Reductions>"
         "<FieldBook><PointRecord><Name>F1</Name></PointRecord></FieldBook></JOBFile>",
         R"(
             {"op":"AddPoint","arg":"F1"}
             {"op":"AddPoint","arg":"R1"}
             {"op":"AddPoint","arg":"R3"}
         )"},
    });
}

}  // namespace
