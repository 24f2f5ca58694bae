// The coordinate and feature readers that both kinds of point share: coordinates in a
// fixed order, each parsed only when it has text; feature attributes appended to the code.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

using Support::ExpectTraces;
using Support::Slice;
using Support::FieldBook;

std::string WithGrid(const std::string& coordinates) {
    return FieldBook("<PointRecord><Name>P1</Name><Grid>" + coordinates + "</Grid></PointRecord>");
}

std::string WithFeatures(const std::string& features) {
    return FieldBook("<PointRecord><Name>P1</Name><Code>C</Code><Features>" + features + "</Features></PointRecord>");
}

std::string Attribute(const std::string& name, const std::string& value) {
    return "<Attribute><Name>" + name + "</Name><Value>" + value + "</Value></Attribute>";
}

std::string Code(const std::string& text) {
    return R"(
        {"op":"AddPoint","arg":"P1"}
        {"op":"SetCode","arg":")" + text + R"("}
    )";
}

const std::string kPoint = R"(
    {"op":"AddPoint","arg":"P1"}
)";

TEST(GridCoordinates, PassNorthEastElevationInThatOrder) {
    const std::string all = kPoint + R"(
        {"op":"Parse","parser":"linear","arg":"1","result":1}
        {"op":"SetNorth","arg":1}
        {"op":"Parse","parser":"linear","arg":"2","result":2}
        {"op":"SetEast","arg":2}
        {"op":"Parse","parser":"linear","arg":"3","result":3}
        {"op":"SetElevation","arg":3}
    )";
    ExpectTraces(Slice::Walk, {
        {"usual order", WithGrid("<North>1</North><East>2</East><Elevation>3</Elevation>"), all},
        {"reverse order", WithGrid("<Elevation>3</Elevation><East>2</East><North>1</North>"), all},
        {"elevation alone", WithGrid("<Elevation>3</Elevation>"), kPoint + R"(
             {"op":"Parse","parser":"linear","arg":"3","result":3}
             {"op":"SetElevation","arg":3}
         )"},
        {"names in other letter case", WithGrid("<north>1</north><EAST>2</EAST>"), kPoint},
    });
}

TEST(GridCoordinates, ParseOnlyTextsThatAreNotEmpty) {
    const std::string eastAndElevation = R"(
        {"op":"Parse","parser":"linear","arg":"2","result":2}
        {"op":"SetEast","arg":2}
        {"op":"Parse","parser":"linear","arg":"3","result":3}
        {"op":"SetElevation","arg":3}
    )";
    ExpectTraces(Slice::Walk, {
        {"empty north", WithGrid("<North></North><East>2</East><Elevation>3</Elevation>"), kPoint + eastAndElevation},
        {"self-closed north", WithGrid("<North/><East>2</East><Elevation>3</Elevation>"), kPoint + eastAndElevation},
        {"blank north", WithGrid("<North>  </North><East>2</East><Elevation>3</Elevation>"),
         kPoint + eastAndElevation},
        {"rejected north", WithGrid("<North>1,5</North><East>2</East><Elevation>3</Elevation>"), kPoint + R"(
             {"op":"Parse","parser":"linear","arg":"1,5","result":null}
         )" + eastAndElevation},
        {"blanks around a coordinate reach the parser", WithGrid("<North> 1.25 </North>"), kPoint + R"(
             {"op":"Parse","parser":"linear","arg":" 1.25 ","result":1.25}
             {"op":"SetNorth","arg":1.25}
         )"},
        {"first of two norths, even when empty", WithGrid("<North/><North>1</North>"), kPoint},
    });
}

TEST(FeatureAttributes, AppendToTheCodeInDocumentOrder) {
    ExpectTraces(Slice::Walk, {
        {"two features",
         WithFeatures("<Feature>" + Attribute("Height", "12") + Attribute("Kind", "Oak") + "</Feature><Feature>" +
                      Attribute("Colour", "Red") + "</Feature>"),
         Code("C /Height=12/Kind=Oak/Colour=Red")},
        {"value written before name",
         WithFeatures("<Feature><Attribute><Value>12</Value><Name>Height</Name></Attribute></Feature>"),
         Code("C /Height=12")},
        {"same name twice", WithFeatures("<Feature>" + Attribute("Kind", "Oak") + Attribute("Kind", "Ash") +
                                         "</Feature>"),
         Code("C /Kind=Oak/Kind=Ash")},
        {"empty name and value", WithFeatures("<Feature><Attribute><Name/><Value></Value></Attribute></Feature>"),
         Code("C /=")},
        {"blanks kept", WithFeatures("<Feature>" + Attribute(" H ", " 1 ") + "</Feature>"), Code("C / H = 1 ")},
        {"first name and first value",
         WithFeatures("<Feature><Attribute><Name>A</Name><Name>B</Name><Value>1</Value><Value>2</Value>"
                      "</Attribute></Feature>"),
         Code("C /A=1")},
    });
}

TEST(FeatureAttributes, SkipWhatIsNotAWholeAttribute) {
    ExpectTraces(Slice::Walk, {
        {"value without name", WithFeatures("<Feature><Attribute><Value>12</Value></Attribute></Feature>"), Code("C")},
        {"name without value", WithFeatures("<Feature><Attribute><Name>H</Name></Attribute></Feature>"), Code("C")},
        {"incomplete attribute between two whole ones",
         WithFeatures("<Feature>" + Attribute("A", "1") + "<Attribute><Name>B</Name></Attribute>" +
                      Attribute("C", "3") + "</Feature>"),
         Code("C /A=1/C=3")},
        {"other children of features and feature",
         WithFeatures("<Note>x</Note><Attribute><Name>X</Name><Value>0</Value></Attribute><Feature><Label>y</Label>" +
                      Attribute("A", "1") + "<Attr><Name>Z</Name><Value>9</Value></Attr></Feature>"),
         Code("C /A=1")},
        {"names in other letter case",
         WithFeatures("<feature>" + Attribute("X", "0") + "</feature><Feature><attribute><Name>Y</Name>"
                      "<Value>0</Value></attribute><Attribute><name>Z</name><Value>0</Value></Attribute></Feature>"),
         Code("C")},
        {"attribute nested deeper", WithFeatures("<Feature><Group>" + Attribute("X", "0") + "</Group></Feature>"),
         Code("C")},
    });
}

TEST(FeatureAttributes, ComeFromTheFirstFeaturesOnly) {
    ExpectTraces(Slice::Walk, {
        {"two features elements",
         FieldBook("<PointRecord><Name>P1</Name><Code>C</Code><Features><Feature>" + Attribute("A", "1") +
                   "</Feature></Features><Features><Feature>" + Attribute("B", "2") +
                   "</Feature></Features></PointRecord>"),
         Code("C /A=1")},
    });
}

}  // namespace
