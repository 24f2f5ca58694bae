// Atmosphere records: stored by ID for the stations that follow them, never reported by
// themselves. What they store shows in the station that names them.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

using Support::ExpectTraces;
using Support::Slice;
using Support::FieldBook;

std::string Station(const std::string& atmosphereId) {
    return "<StationRecord><StationName>S1</StationName><AtmosphereID>" + atmosphereId +
           "</AtmosphereID></StationRecord>";
}

TEST(AtmosphereRecords, ParsePressureAndTemperatureEachWithItsOwnParser) {
    ExpectTraces(Slice::Walk, {
        {"both, temperature written first",
         FieldBook(R"(<AtmosphereRecord ID="a1"><Temperature>20</Temperature><Pressure>1010</Pressure>
             </AtmosphereRecord>)" + Station("a1")),
         R"(
             {"op":"Parse","parser":"pressure","arg":"1010","result":1010}
             {"op":"Parse","parser":"temperature","arg":"20","result":20}
             {"op":"AddStation","arg":"S1"}
             {"op":"SetPressure","arg":1010}
             {"op":"SetTemperature","arg":20}
         )"},
        {"pressure only",
         FieldBook(R"(<AtmosphereRecord ID="a1"><Pressure>1010</Pressure></AtmosphereRecord>)" + Station("a1")),
         R"(
             {"op":"Parse","parser":"pressure","arg":"1010","result":1010}
             {"op":"AddStation","arg":"S1"}
             {"op":"SetPressure","arg":1010}
         )"},
        {"temperature only",
         FieldBook(R"(<AtmosphereRecord ID="a1"><Temperature>-5.5</Temperature></AtmosphereRecord>)" + Station("a1")),
         R"(
             {"op":"Parse","parser":"temperature","arg":"-5.5","result":-5.5}
             {"op":"AddStation","arg":"S1"}
             {"op":"SetTemperature","arg":-5.5}
         )"},
        {"empty pressure is parsed, rejected temperature is left out",
         FieldBook(R"(<AtmosphereRecord ID="a1"><Pressure></Pressure><Temperature>20C</Temperature>
             </AtmosphereRecord>)" + Station("a1")),
         R"(
             {"op":"Parse","parser":"pressure","arg":"","result":null}
             {"op":"Parse","parser":"temperature","arg":"20C","result":null}
             {"op":"AddStation","arg":"S1"}
         )"},
        {"first of two pressures, even when rejected",
         FieldBook(R"(<AtmosphereRecord ID="a1"><Pressure>x</Pressure><Pressure>1010</Pressure>
             </AtmosphereRecord>)" + Station("a1")),
         R"(
             {"op":"Parse","parser":"pressure","arg":"x","result":null}
             {"op":"AddStation","arg":"S1"}
         )"},
    });
}

TEST(AtmosphereRecords, KeepTheFirstRecordOfAnId) {
    ExpectTraces(Slice::Walk, {
        {"two valid records",
         FieldBook(R"(<AtmosphereRecord ID="a1"><Pressure>1010</Pressure><Temperature>20</Temperature></AtmosphereRecord>
             <AtmosphereRecord ID="a1"><Pressure>900</Pressure><Temperature>30</Temperature></AtmosphereRecord>)" +
                   Station("a1")),
         R"(
             {"op":"Parse","parser":"pressure","arg":"1010","result":1010}
             {"op":"Parse","parser":"temperature","arg":"20","result":20}
             {"op":"Parse","parser":"pressure","arg":"900","result":900}
             {"op":"Parse","parser":"temperature","arg":"30","result":30}
             {"op":"AddStation","arg":"S1"}
             {"op":"SetPressure","arg":1010}
             {"op":"SetTemperature","arg":20}
         )"},
        {"a first record whose values were both rejected still holds its id",
         FieldBook(R"(<AtmosphereRecord ID="a1"><Pressure>abc</Pressure><Temperature>abc</Temperature></AtmosphereRecord>
             <AtmosphereRecord ID="a1"><Pressure>900</Pressure><Temperature>30</Temperature></AtmosphereRecord>)" +
                   Station("a1")),
         R"(
             {"op":"Parse","parser":"pressure","arg":"abc","result":null}
             {"op":"Parse","parser":"temperature","arg":"abc","result":null}
             {"op":"Parse","parser":"pressure","arg":"900","result":900}
             {"op":"Parse","parser":"temperature","arg":"30","result":30}
             {"op":"AddStation","arg":"S1"}
         )"},
        {"a first record without values holds nothing",
         FieldBook(R"(<AtmosphereRecord ID="a1"><Humidity>50</Humidity></AtmosphereRecord>
             <AtmosphereRecord ID="a1"><Pressure>900</Pressure></AtmosphereRecord>)" + Station("a1")),
         R"(
             {"op":"Parse","parser":"pressure","arg":"900","result":900}
             {"op":"AddStation","arg":"S1"}
             {"op":"SetPressure","arg":900}
         )"},
    });
}

TEST(AtmosphereRecords, NeedANonEmptyIdAttribute) {
    const std::string values = "<Pressure>1010</Pressure><Temperature>20</Temperature>";
    const std::string stationAlone = R"({"op":"AddStation","arg":"S1"})";
    ExpectTraces(Slice::Walk, {
        {"no id", FieldBook("<AtmosphereRecord>" + values + "</AtmosphereRecord>" + Station("a1")), stationAlone},
        {"empty id", FieldBook(R"(<AtmosphereRecord ID="">)" + values + "</AtmosphereRecord>" + Station("")),
         stationAlone},
        {"id as a child element",
         FieldBook("<AtmosphereRecord><ID>a1</ID>" + values + "</AtmosphereRecord>" + Station("a1")), stationAlone},
        {"id attribute in other letter case",
         FieldBook(R"(<AtmosphereRecord id="a1">)" + values + "</AtmosphereRecord>" + Station("a1")), stationAlone},
    });
}

TEST(AtmosphereRecords, MatchIdsExactly) {
    const auto record = [](const std::string& id) {
        return R"(<AtmosphereRecord ID=")" + id + R"("><Pressure>1010</Pressure></AtmosphereRecord>)";
    };
    const std::string parse = R"({"op":"Parse","parser":"pressure","arg":"1010","result":1010})";
    const std::string found = parse + R"(
        {"op":"AddStation","arg":"S1"}
        {"op":"SetPressure","arg":1010}
    )";
    const std::string missed = parse + R"(
        {"op":"AddStation","arg":"S1"}
    )";
    ExpectTraces(Slice::Walk, {
        {"letter case", FieldBook(record("A1") + Station("a1")), missed},
        {"leading zeros", FieldBook(record("007") + Station("7")), missed},
        {"blanks kept in the attribute", FieldBook(record(" a1 ") + Station(" a1 ")), found},
        {"blanks only in the attribute", FieldBook(record(" a1 ") + Station("a1")), missed},
        {"blanks only in the reference", FieldBook(record("a1") + Station(" a1")), missed},
        {"one id a prefix of the other", FieldBook(record("a10") + Station("a1")), missed},
        {"ids differing in case are two records",
         FieldBook(record("a1") + R"(<AtmosphereRecord ID="A1"><Pressure>900</Pressure></AtmosphereRecord>)" +
                   Station("A1")),
         parse + R"(
             {"op":"Parse","parser":"pressure","arg":"900","result":900}
             {"op":"AddStation","arg":"S1"}
             {"op":"SetPressure","arg":900}
         )"},
    });
}

}  // namespace
