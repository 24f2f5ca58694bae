// The example job that the project ships, imported from end to end: every call the host
// sees, from the file's announcement to the release of the value parsers.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

using Support::Framed;
using Support::Slice;

const std::string kTypical = std::string(JXL_SOURCE_DIR) + "/examples/typical.jxl";

// The walk over the typical job, with the slope distance the host is given.
Support::Trace TypicalWalk(const std::string& slopeDistance) {
    return Support::Lines(R"(
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
        {"op":"SetSlopeDistance","arg":)" + slopeDistance + R"(}
        {"op":"SetFace","arg":false}
        {"op":"SetCode","arg":"TREE"}
        {"op":"AddPoint","arg":"P1"}
        {"op":"Parse","parser":"linear","arg":"5000.123","result":5000.123}
        {"op":"SetNorth","arg":5000.123}
        {"op":"Parse","parser":"linear","arg":"2000.456","result":2000.456}
        {"op":"SetEast","arg":2000.456}
        {"op":"Parse","parser":"linear","arg":"100.789","result":100.789}
        {"op":"SetElevation","arg":100.789}
    )");
}

TEST(TypicalJob, GivesTheWholeSequence) {
    const std::string next = Support::WriteScratchFile("next.jxl", Support::FieldBook(R"(
        <StationRecord><StationName>S2</StationName><AtmosphereID>a1</AtmosphereID></StationRecord>
        <PointRecord><Name>P2</Name><TargetID>t1</TargetID><Circle><EDMDistance>100.0</EDMDistance></Circle></PointRecord>
    )"));
    const Support::Input typical = Support::Input::Files({kTypical});
    Support::ExpectTraces(Slice::Whole, {
        {"the distance corrected by the prism constant", typical, Framed(Slice::Walk, kTypical, TypicalWalk("99.9656"))},
        {"the measured distance when the prism constant is not wanted", typical,
         Framed(Slice::Walk, kTypical, TypicalWalk("100")), {false, true, true}},
        {"no target or atmosphere left to the next file", Support::Input::Files({kTypical, next}),
         Support::Joined({Framed(Slice::Walk, kTypical, TypicalWalk("99.9656")), Framed(Slice::Walk, next, Support::Lines(R"(
             {"op":"AddStation","arg":"S2"}
             {"op":"AddObservation","arg":"P2"}
             {"op":"Parse","parser":"linear","arg":"100.0","result":100}
             {"op":"SetSlopeDistance","arg":100}
         )"))})},
    });
}

}  // namespace
