// The example job that the project ships, imported from end to end: every call the host
// sees, from the file's announcement to the release of the value parsers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support.h"

namespace {

const std::string kTypical = std::string(JXL_SOURCE_DIR) + "/examples/typical.jxl";

std::vector<std::string> TypicalTrace(const std::string& slopeDistance) {
    std::vector<std::string> lines = {Support::BeginFile(kTypical)};
    for (const std::string& line : Support::Lines(R"(
        {"op":"GetValueParserFactory"}
        {"op":"CreateLinearParser","arg":0}
        {"op":"CreateAngleParser","arg":3}
        {"op":"CreatePressureParser","arg":1}
        {"op":"CreateTemperatureParser","arg":0}
        {"op":"Release","arg":"factory"}
        {"op":"SetProgress","arg":50}
        {"op":"Parse","parser":"pressure","arg":"1013.25","result":1013.25}
        {"op":"Parse","parser":"temperature","arg":"18.5","result":18.5}
        {"op":"AddStation","arg":"S1"}
        {"op":"Parse","parser":"linear","arg":"1.552","result":1.552}
        {"op":"SetInstrumentHeight","arg":1.552}
        {"op":"SetPressure","arg":1013.25}
        {"op":"SetTemperature","arg":18.5}
        {"op":"Parse","parser":"linear","arg":"-0.0344","result":-0.0344}
        {"op":"Parse","parser":"linear","arg":"1.8","result":1.8}
        {"op":"Parse","parser":"angle","arg":"0.0000","result":0}
        {"op":"AddObservation","arg":"B1"}
        {"op":"SetHorizontalCircle","arg":0}
        {"op":"SetFace","arg":false}
        {"op":"AddObservation","arg":"P1"}
        {"op":"SetTargetHeight","arg":1.8}
        {"op":"Parse","parser":"angle","arg":"45.12345","result":45.12345}
        {"op":"SetHorizontalCircle","arg":45.12345}
        {"op":"Parse","parser":"angle","arg":"89.54321","result":89.54321}
        {"op":"SetVerticalCircle","arg":89.54321}
        {"op":"Parse","parser":"linear","arg":"100.0","result":100}
    )"))
        lines.push_back(line);
    lines.push_back(R"({"op":"SetSlopeDistance","arg":)" + slopeDistance + "}");
    for (const std::string& line : Support::Lines(R"(
        {"op":"SetFace","arg":false}
        {"op":"SetCode","arg":"TREE"}
        {"op":"AddPoint","arg":"P1"}
        {"op":"Parse","parser":"linear","arg":"5000.123","result":5000.123}
        {"op":"SetNorth","arg":5000.123}
        {"op":"Parse","parser":"linear","arg":"2000.456","result":2000.456}
        {"op":"SetEast","arg":2000.456}
        {"op":"Parse","parser":"linear","arg":"100.789","result":100.789}
        {"op":"SetElevation","arg":100.789}
        {"op":"SetProgress","arg":100}
        {"op":"Release","arg":"pressure"}
        {"op":"Release","arg":"temperature"}
        {"op":"Release","arg":"angle"}
        {"op":"Release","arg":"linear"}
    )"))
        lines.push_back(line);
    return lines;
}

TEST(TypicalJob, GivesTheWholeSequenceWithTheDistanceCorrectedByThePrismConstant) {
    EXPECT_EQ(Support::ImportCalls({kTypical}), TypicalTrace("99.9656"));
}

TEST(TypicalJob, GivesTheMeasuredDistanceWhenThePrismConstantIsNotWanted) {
    Support::Settings settings;
    settings.prismConstant = false;
    EXPECT_EQ(Support::ImportCalls({kTypical}, settings), TypicalTrace("100"));
}

TEST(TypicalJob, LeavesNoTargetOrAtmosphereToTheNextFile) {
    const std::string next = Support::WriteScratchFile("next.jxl", Support::FieldBook(R"(
        <StationRecord><StationName>S2</StationName><AtmosphereID>a1</AtmosphereID></StationRecord>
        <PointRecord><Name>P2</Name><TargetID>t1</TargetID><Circle><EDMDistance>100.0</EDMDistance></Circle></PointRecord>
    )"));
    std::vector<std::string> expected = TypicalTrace("99.9656");
    expected.push_back(Support::BeginFile(next));
    for (const std::string& line : Support::Lines(R"(
        {"op":"GetValueParserFactory"}
        {"op":"CreateLinearParser","arg":0}
        {"op":"CreateAngleParser","arg":3}
        {"op":"CreatePressureParser","arg":1}
        {"op":"CreateTemperatureParser","arg":0}
        {"op":"Release","arg":"factory"}
        {"op":"SetProgress","arg":50}
        {"op":"AddStation","arg":"S2"}
        {"op":"AddObservation","arg":"P2"}
        {"op":"Parse","parser":"linear","arg":"100.0","result":100}
        {"op":"SetSlopeDistance","arg":100}
        {"op":"SetProgress","arg":100}
        {"op":"Release","arg":"pressure"}
        {"op":"Release","arg":"temperature"}
        {"op":"Release","arg":"angle"}
        {"op":"Release","arg":"linear"}
    )"))
        expected.push_back(line);
    EXPECT_EQ(Support::ImportCalls({kTypical, next}), expected);
}

}  // namespace
