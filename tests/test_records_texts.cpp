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

}  // namespace
