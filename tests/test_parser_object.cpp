// The per-file parser: the host objects it takes and gives back, and its handler registry.
#include <gtest/gtest.h>

#include "support.h"

namespace {

using Support::Lines;

TEST(ParserObject, TakesFourParsersAndGivesThemBackAfterTheFile) {
    const std::string path = Support::WriteScratchFile("empty-job.jxl", "<JOBFile><FieldBook/><Reductions/></JOBFile>");
    const auto calls = Support::ImportCalls({path});
    const auto expected = Lines(R"(
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
    )");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(std::vector<std::string>(calls.begin() + 1, calls.end()), expected);  // after BeginFile
}

TEST(ParserObject, FileWithoutFieldBookReleasesEverything) {
    const std::string path = Support::WriteScratchFile("no-field-book.jxl", "<JOBFile/>");
    const auto calls = Support::ImportCalls({path}, {true, true, false});
    const auto expected = Lines(R"(
        {"op":"SetProgress","arg":50}
        {"op":"SetResult","arg":-1}
        {"op":"ShowMessage","arg":"Ошибка в формате файла"}
        {"op":"SetProgress","arg":100}
        {"op":"Release","arg":"pressure"}
        {"op":"Release","arg":"temperature"}
        {"op":"Release","arg":"angle"}
        {"op":"Release","arg":"linear"}
    )");
    ASSERT_GE(calls.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(calls.end() - static_cast<long>(expected.size()), calls.end()), expected);
}

// Records reach their handlers by the whole element name, exactly; the rest of the field
// book is passed over.
TEST(ParserObject, HandlersByExactName) {
    Support::ExpectWalks({
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
