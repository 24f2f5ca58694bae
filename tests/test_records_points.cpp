// Point records: deleted and unnamed records are dropped whole; the rest become an
// observation or a coordinate point, then coordinates, then the code.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

using Support::ExpectTraces;
using Support::Slice;
using Support::FieldBook;

std::string Record(const std::string& children) {
    return FieldBook("<PointRecord>" + children + "</PointRecord>");
}

const std::string kCircle = "<Circle><HorizontalCircle>45</HorizontalCircle></Circle>";
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

TEST(PointRecords, DeletedOnlyWhenExactlyTrue) {
    const std::string full = "<Name>P1</Name><TargetID>t1</TargetID>" + kCircle + kGrid + "<Code>C</Code>";
    const auto deleted = [](const std::string& text) { return "<Deleted>" + text + "</Deleted><Name>P1</Name>"; };
    ExpectTraces(Slice::Walk, {
        {"true drops everything", Record("<Deleted>true</Deleted>" + full), ""},
        {"true after the other children", Record(full + "<Deleted>true</Deleted>"), ""},
        {"True", Record(deleted("True")), kPoint},
        {"TRUE", Record(deleted("TRUE")), kPoint},
        {"1", Record(deleted("1")), kPoint},
        {"leading blank", Record(deleted(" true")), kPoint},
        {"trailing blank", Record(deleted("true ")), kPoint},
        {"false", Record(deleted("false")), kPoint},
        {"empty", Record(deleted("")), kPoint},
        {"element in other letter case", Record("<deleted>true</deleted><Name>P1</Name>"), kPoint},
        {"false then true", Record("<Deleted>false</Deleted><Deleted>true</Deleted><Name>P1</Name>"), kPoint},
        {"true then false", Record("<Deleted>true</Deleted><Deleted>false</Deleted><Name>P1</Name>"), ""},
    });
}

TEST(PointRecords, WithoutAUsableNameAreDroppedWhole) {
    const std::string rest = kCircle + kGrid + "<Code>C</Code>";
    ExpectTraces(Slice::Walk, {
        {"no name", Record(rest), ""},
        {"empty name", Record("<Name/>" + rest), ""},
        {"blank name", Record("<Name> \t </Name>" + rest), ""},
        {"name in other letter case", Record("<name>P1</name>" + rest), ""},
        {"longer element name", Record("<Names>P1</Names>" + rest), ""},
        {"empty first name before a full second one", Record("<Name></Name><Name>P2</Name>" + rest), ""},
        {"blanks around the name are kept", Record("<Name> P 1 </Name>"), R"({"op":"AddPoint","arg":" P 1 "})"},
        {"first of two names", Record("<Code>C</Code><Name>P1</Name><Name>P2</Name>"), kPoint + R"(
             {"op":"SetCode","arg":"C"}
         )"},
    });
}

TEST(PointRecords, KeyedInOnlyForCoordinatePointsAndTheExactWord) {
    const auto method = [](const std::string& text) {
        return Record("<Name>P1</Name><SurveyMethod>" + text + "</SurveyMethod>");
    };
    const std::string keyedIn = kPoint + R"(
        {"op":"MarkKeyedIn"}
        {"op":"SetKeyedInFlag","arg":false}
    )";
    ExpectTraces(Slice::Walk, {
        {"KeyedIn", method("KeyedIn"), keyedIn},
        {"lower case", method("keyedin"), kPoint},
        {"with a blank inside", method("Keyed In"), kPoint},
        {"leading blank", method(" KeyedIn"), kPoint},
        {"trailing blank", method("KeyedIn "), kPoint},
        {"other method", method("Fix"), kPoint},
        {"empty", method(""), kPoint},
        {"first of two methods",
         Record("<Name>P1</Name><SurveyMethod>Fix</SurveyMethod><SurveyMethod>KeyedIn</SurveyMethod>"), kPoint},
        {"observation ignores it",
         Record("<Name>P1</Name><SurveyMethod>KeyedIn</SurveyMethod><Circle/>"),
         R"({"op":"AddObservation","arg":"P1"})"},
    });
}

TEST(PointRecords, TakeComputedGridOnlyWithoutAnyGrid) {
    const std::string computed =
        "<ComputedGrid><North>1</North><East>2</East><Elevation>3</Elevation></ComputedGrid>";
    ExpectTraces(Slice::Walk, {
        {"grid", Record("<Name>P1</Name>" + kGrid), kPoint + kGridTrace},
        {"computed grid alone", Record("<Name>P1</Name>" + computed), kPoint + R"(
             {"op":"Parse","parser":"linear","arg":"1","result":1}
             {"op":"SetNorth","arg":1}
             {"op":"Parse","parser":"linear","arg":"2","result":2}
             {"op":"SetEast","arg":2}
             {"op":"Parse","parser":"linear","arg":"3","result":3}
             {"op":"SetElevation","arg":3}
         )"},
        {"empty grid beside a full computed grid", Record("<Name>P1</Name><Grid/>" + computed), kPoint},
        {"blank grid coordinates beside a full computed grid",
         Record("<Name>P1</Name>" + computed + "<Grid><North></North><East> </East></Grid>"), kPoint},
        {"partial grid beside a full computed grid",
         Record("<Name>P1</Name>" + computed + "<Grid><East>20</East></Grid>"), kPoint + R"(
             {"op":"Parse","parser":"linear","arg":"20","result":20}
             {"op":"SetEast","arg":20}
         )"},
        {"first of two grids", Record("<Name>P1</Name><Grid><Elevation>5</Elevation></Grid>" + kGrid), kPoint + R"(
             {"op":"Parse","parser":"linear","arg":"5","result":5}
             {"op":"SetElevation","arg":5}
         )"},
    });
}

TEST(PointRecords, PassTheCodeOnlyWhenItHasText) {
    const std::string attribute =
        "<Features><Feature><Attribute><Name>H</Name><Value>12</Value></Attribute></Feature></Features>";
    ExpectTraces(Slice::Walk, {
        {"code", Record("<Name>P1</Name><Code>TREE</Code>"), kPoint + R"({"op":"SetCode","arg":"TREE"})"},
        {"code with blanks around", Record("<Name>P1</Name><Code> TREE </Code>"),
         kPoint + R"({"op":"SetCode","arg":" TREE "})"},
        {"empty code", Record("<Name>P1</Name><Code/>"), kPoint},
        {"blank code", Record("<Name>P1</Name><Code>   </Code>"), kPoint},
        {"empty features", Record("<Name>P1</Name><Features/><Code>TREE</Code>"),
         kPoint + R"({"op":"SetCode","arg":"TREE"})"},
        {"feature without attributes",
         Record("<Name>P1</Name><Features><Feature/></Features><Code>TREE</Code>"),
         kPoint + R"({"op":"SetCode","arg":"TREE"})"},
        {"attributes without code are lost", Record("<Name>P1</Name>" + attribute), kPoint},
        {"attributes with an empty code are lost", Record("<Name>P1</Name><Code></Code>" + attribute), kPoint},
        {"attributes after the code", Record("<Name>P1</Name><Code>TREE</Code>" + attribute),
         kPoint + R"({"op":"SetCode","arg":"TREE /H=12"})"},
        {"first of two codes", Record("<Name>P1</Name><Code></Code><Code>TREE</Code>"), kPoint},
    });
}

TEST(PointRecords, OrderTheirCallsWhateverTheFileOrder) {
    const std::string target = R"(<TargetRecord ID="t1"><TargetHeight>1.5</TargetHeight></TargetRecord>)";
    const std::string features =
        "<Features><Feature><Attribute><Name>H</Name><Value>12</Value></Attribute></Feature></Features>";
    ExpectTraces(Slice::Walk, {
        {"observation: readings, coordinates, code",
         FieldBook(target + "<PointRecord><Code>TREE</Code>" + kGrid + features +
                   "<Circle><Face>Face1</Face><HorizontalCircle>45</HorizontalCircle></Circle>"
                   "<TargetID>t1</TargetID><Name>P1</Name></PointRecord>"),
         R"(
             {"op":"Parse","parser":"linear","arg":"1.5","result":1.5}
             {"op":"AddObservation","arg":"P1"}
             {"op":"SetTargetHeight","arg":1.5}
             {"op":"Parse","parser":"angle","arg":"45","result":45}
             {"op":"SetHorizontalCircle","arg":45}
             {"op":"SetFace","arg":false}
         )" + kGridTrace + R"({"op":"SetCode","arg":"TREE /H=12"})"},
        {"coordinate point: keyed in, coordinates, code",
         Record("<Code>TREE</Code>" + features + kGrid + "<SurveyMethod>KeyedIn</SurveyMethod><Name>P1</Name>"),
         kPoint + R"(
             {"op":"MarkKeyedIn"}
             {"op":"SetKeyedInFlag","arg":false}
         )" + kGridTrace + R"({"op":"SetCode","arg":"TREE /H=12"})"},
    });
}

TEST(PointRecords, FollowEachOtherInDocumentOrder) {
    ExpectTraces(Slice::Walk, {
        {"station, observation, point",
         FieldBook("<PointRecord><Name>P0</Name></PointRecord>"
                   "<StationRecord><StationName>S1</StationName></StationRecord>"
                   "<PointRecord><Name>P1</Name><Circle/></PointRecord>"
                   "<PointRecord><Deleted>true</Deleted><Name>P2</Name></PointRecord>"
                   "<PointRecord><Name>P3</Name></PointRecord>"),
         R"(
             {"op":"AddPoint","arg":"P0"}
             {"op":"AddStation","arg":"S1"}
             {"op":"AddObservation","arg":"P1"}
             {"op":"AddPoint","arg":"P3"}
         )"},
    });
}

}  // namespace
