// Station records: a named station with its instrument height and the pressure and
// temperature of the atmosphere record that it names.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

using Support::ExpectTraces;
using Support::Slice;
using Support::FieldBook;

// An atmosphere "a1" and what reading it costs: the two parses, no receiver call.
const std::string kAtmosphere =
    R"(<AtmosphereRecord ID="a1"><Pressure>1010</Pressure><Temperature>20</Temperature></AtmosphereRecord>)";
const std::string kAtmosphereParses = R"(
    {"op":"Parse","parser":"pressure","arg":"1010","result":1010}
    {"op":"Parse","parser":"temperature","arg":"20","result":20}
)";

TEST(StationRecords, ReportNameHeightAndAtmosphereInThatOrder) {
    ExpectTraces(Slice::Walk, {
        {"all three children",
         FieldBook(kAtmosphere + R"(<StationRecord><StationName>S1</StationName>
             <TheodoliteHeight>1.552</TheodoliteHeight><AtmosphereID>a1</AtmosphereID></StationRecord>)"),
         kAtmosphereParses + R"(
             {"op":"AddStation","arg":"S1"}
             {"op":"Parse","parser":"linear","arg":"1.552","result":1.552}
             {"op":"SetInstrumentHeight","arg":1.552}
             {"op":"SetPressure","arg":1010}
             {"op":"SetTemperature","arg":20}
         )"},
        {"children in reverse order",
         FieldBook(kAtmosphere + R"(<StationRecord><AtmosphereID>a1</AtmosphereID>
             <TheodoliteHeight>1.552</TheodoliteHeight><StationName>S1</StationName></StationRecord>)"),
         kAtmosphereParses + R"(
             {"op":"AddStation","arg":"S1"}
             {"op":"Parse","parser":"linear","arg":"1.552","result":1.552}
             {"op":"SetInstrumentHeight","arg":1.552}
             {"op":"SetPressure","arg":1010}
             {"op":"SetTemperature","arg":20}
         )"},
        {"name alone",
         FieldBook("<StationRecord><StationName>S1</StationName></StationRecord>"),
         R"({"op":"AddStation","arg":"S1"})"},
    });
}

TEST(StationRecords, WithoutAUsableNameAreDroppedWhole) {
    const std::string rest = "<TheodoliteHeight>1.5</TheodoliteHeight><AtmosphereID>a1</AtmosphereID>";
    ExpectTraces(Slice::Walk, {
        {"no name", FieldBook(kAtmosphere + "<StationRecord>" + rest + "</StationRecord>"), kAtmosphereParses},
        {"empty name", FieldBook(kAtmosphere + "<StationRecord><StationName/>" + rest + "</StationRecord>"),
         kAtmosphereParses},
        {"blank name", FieldBook(kAtmosphere + "<StationRecord><StationName>  \t </StationName>" + rest +
                                 "</StationRecord>"),
         kAtmosphereParses},
        {"name in other letter case",
         FieldBook(kAtmosphere + "<StationRecord><stationName>S1</stationName>" + rest + "</StationRecord>"),
         kAtmosphereParses},
        {"empty first name before a full second one",
         FieldBook(kAtmosphere + "<StationRecord><StationName></StationName><StationName>S2</StationName>" + rest +
                   "</StationRecord>"),
         kAtmosphereParses},
    });
}

TEST(StationRecords, KeepTheNameAsWrittenAndTakeTheFirstOfTwo) {
    ExpectTraces(Slice::Walk, {
        {"blanks around the name",
         FieldBook("<StationRecord><StationName> S 1 </StationName></StationRecord>"),
         R"({"op":"AddStation","arg":" S 1 "})"},
        {"two names after the height",
         FieldBook("<StationRecord><TheodoliteHeight>1.5</TheodoliteHeight><StationName>S1</StationName>"
                   "<StationName>S2</StationName></StationRecord>"),
         R"(
             {"op":"AddStation","arg":"S1"}
             {"op":"Parse","parser":"linear","arg":"1.5","result":1.5}
             {"op":"SetInstrumentHeight","arg":1.5}
         )"},
    });
}

TEST(StationRecords, HandEveryHeightTextToTheLinearParser) {
    ExpectTraces(Slice::Walk, {
        {"rejected height keeps the atmosphere",
         FieldBook(kAtmosphere + R"(<StationRecord><StationName>S1</StationName>
             <TheodoliteHeight>1,5</TheodoliteHeight><AtmosphereID>a1</AtmosphereID></StationRecord>)"),
         kAtmosphereParses + R"(
             {"op":"AddStation","arg":"S1"}
             {"op":"Parse","parser":"linear","arg":"1,5","result":null}
             {"op":"SetPressure","arg":1010}
             {"op":"SetTemperature","arg":20}
         )"},
        {"empty height is parsed all the same",
         FieldBook("<StationRecord><StationName>S1</StationName><TheodoliteHeight/></StationRecord>"),
         R"(
             {"op":"AddStation","arg":"S1"}
             {"op":"Parse","parser":"linear","arg":"","result":null}
         )"},
        {"first of two heights, even when rejected",
         FieldBook("<StationRecord><StationName>S1</StationName><TheodoliteHeight>abc</TheodoliteHeight>"
                   "<TheodoliteHeight>1.5</TheodoliteHeight></StationRecord>"),
         R"(
             {"op":"AddStation","arg":"S1"}
             {"op":"Parse","parser":"linear","arg":"abc","result":null}
         )"},
    });
}

TEST(StationRecords, FindOnlyAnEarlierAtmosphereWithExactlyTheSameId) {
    const auto station = [](const std::string& id) {
        return "<StationRecord><StationName>S1</StationName><AtmosphereID>" + id + "</AtmosphereID></StationRecord>";
    };
    const std::string stationAlone = R"({"op":"AddStation","arg":"S1"})";
    const std::string stationWithAtmosphere = R"(
        {"op":"AddStation","arg":"S1"}
        {"op":"SetPressure","arg":1010}
        {"op":"SetTemperature","arg":20}
    )";
    ExpectTraces(Slice::Walk, {
        {"same id", FieldBook(kAtmosphere + station("a1")), kAtmosphereParses + stationWithAtmosphere},
        {"atmosphere later in the file", FieldBook(station("a1") + kAtmosphere), stationAlone + kAtmosphereParses},
        {"unknown id", FieldBook(kAtmosphere + station("a2")), kAtmosphereParses + stationAlone},
        {"id in other letter case", FieldBook(kAtmosphere + station("A1")), kAtmosphereParses + stationAlone},
        {"id with a blank", FieldBook(kAtmosphere + station("a1 ")), kAtmosphereParses + stationAlone},
        {"empty id", FieldBook(kAtmosphere + station("")), kAtmosphereParses + stationAlone},
        {"leading zero",
         FieldBook(R"(<AtmosphereRecord ID="1"><Pressure>1010</Pressure><Temperature>20</Temperature></AtmosphereRecord>)" +
                   station("01")),
         kAtmosphereParses + stationAlone},
        {"id element in other letter case",
         FieldBook(kAtmosphere + "<StationRecord><StationName>S1</StationName><AtmosphereId>a1</AtmosphereId>"
                                 "</StationRecord>"),
         kAtmosphereParses + stationAlone},
    });
}

}  // namespace
