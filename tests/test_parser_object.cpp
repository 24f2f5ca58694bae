// The per-file parser: the host objects it takes and gives back, and its handler registry.
#include <gtest/gtest.h>

#include "support.h"

namespace {

using Support::Call;
using Support::Joined;
using Support::Lines;
using Support::Slice;

TEST(ParserObject, TakesFourParsersAndGivesThemBackAfterTheFile) {
    const std::vector<std::string> announced = {Call("BeginFile", Support::DocumentPath())};
    Support::ExpectTraces(Slice::Whole, {
        {"an empty job", "<JOBFile><FieldBook/><Reductions/></JOBFile>", Joined({announced, Lines(R"(
            {"op":"GetValueParserFactory"}
            {"op":"CreateLinearParser","arg":0}
            {"op":"CreateAngleParser","arg":3}
            {"op":"CreatePressureParser","arg":1}
            {"op":"CreateTemperatureParser","arg":0}
            {"op":"Release","arg":"factory"}
            {"op":"SetProgress","arg":50}
            {"op":"SetProgress","arg":100}
            {"op":"Release","arg":"pressure"}
            {"op":"Release","arg":"temperature"}
            {"op":"Release","arg":"angle"}
            {"op":"Release","arg":"linear"}
        )")})},
        {"a job without its field book: reported, and everything given back", "<JOBFile/>", Joined({announced,
         Support::ParsersMade(), Lines(R"(
            {"op":"SetProgress","arg":50}
            {"op":"SetResult","arg":-1}
            {"op":"ShowMessage","arg":"Ошибка в формате файла"}
            {"op":"SetProgress","arg":100}
            {"op":"Release","arg":"pressure"}
            {"op":"Release","arg":"temperature"}
            {"op":"Release","arg":"angle"}
            {"op":"Release","arg":"linear"}
        )")}), {true, true, false}},
    });
}

// Records reach their handlers by the whole element name, exactly; the rest of the field
// book is passed over.
TEST(ParserObject, HandlersByExactName) {
    Support::ExpectTraces(Slice::Walk, {
        {"only the exact name has a handler", Support::FieldBook(R"(
            <StationRecord><StationName>exact</StationName></StationRecord>
            <stationrecord><StationName>lower case</StationName></stationrecord>
            <StationRecords><StationName>longer</StationName></StationRecords>
            <Station><StationName>shorter</StationName></Station>
            <StationRecord><StationName>exact again</StationName></StationRecord>)"),
         R"(
            {"op":"AddStation","arg":"exact"}
            {"op":"AddStation","arg":"exact again"}
         )"},
    });
}

}  // namespace
