// Backsight records: one observation to the backsight point with one horizontal reading,
// face 1 preferred, and the face it was taken on.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

using Support::ExpectTraces;
using Support::Slice;
using Support::FieldBook;

std::string Backsight(const std::string& children) {
    return FieldBook("<BackBearingRecord>" + children + "</BackBearingRecord>");
}

TEST(BackBearingRecords, ReportOneReadingFaceOneFirst) {
    ExpectTraces(Slice::Walk, {
        {"both faces: face 2 is not even parsed",
         Backsight("<BackSight>B1</BackSight><Face1HorizontalCircle>10.5</Face1HorizontalCircle>"
                   "<Face2HorizontalCircle>190.5</Face2HorizontalCircle>"),
         R"(
             {"op":"Parse","parser":"angle","arg":"10.5","result":10.5}
             {"op":"AddObservation","arg":"B1"}
             {"op":"SetHorizontalCircle","arg":10.5}
             {"op":"SetFace","arg":false}
         )"},
        {"face 2 alone, passed as parsed",
         Backsight("<BackSight>B1</BackSight><Face2HorizontalCircle>190.5</Face2HorizontalCircle>"),
         R"(
             {"op":"Parse","parser":"angle","arg":"190.5","result":190.5}
             {"op":"AddObservation","arg":"B1"}
             {"op":"SetHorizontalCircle","arg":190.5}
             {"op":"SetFace","arg":true}
         )"},
        {"face 1 rejected falls back to face 2",
         Backsight("<BackSight>B1</BackSight><Face1HorizontalCircle>10,5</Face1HorizontalCircle>"
                   "<Face2HorizontalCircle>190.5</Face2HorizontalCircle>"),
         R"(
             {"op":"Parse","parser":"angle","arg":"10,5","result":null}
             {"op":"Parse","parser":"angle","arg":"190.5","result":190.5}
             {"op":"AddObservation","arg":"B1"}
             {"op":"SetHorizontalCircle","arg":190.5}
             {"op":"SetFace","arg":true}
         )"},
        {"empty face 1 is parsed, then face 2",
         Backsight("<BackSight>B1</BackSight><Face1HorizontalCircle/>"
                   "<Face2HorizontalCircle>190.5</Face2HorizontalCircle>"),
         R"(
             {"op":"Parse","parser":"angle","arg":"","result":null}
             {"op":"Parse","parser":"angle","arg":"190.5","result":190.5}
             {"op":"AddObservation","arg":"B1"}
             {"op":"SetHorizontalCircle","arg":190.5}
             {"op":"SetFace","arg":true}
         )"},
        {"children in reverse order",
         Backsight("<Face2HorizontalCircle>190.5</Face2HorizontalCircle>"
                   "<Face1HorizontalCircle>10.5</Face1HorizontalCircle><BackSight>B1</BackSight>"),
         R"(
             {"op":"Parse","parser":"angle","arg":"10.5","result":10.5}
             {"op":"AddObservation","arg":"B1"}
             {"op":"SetHorizontalCircle","arg":10.5}
             {"op":"SetFace","arg":false}
         )"},
        {"first of two face 1 readings, even when rejected",
         Backsight("<BackSight>B1</BackSight><Face1HorizontalCircle>x</Face1HorizontalCircle>"
                   "<Face1HorizontalCircle>10.5</Face1HorizontalCircle>"),
         R"({"op":"Parse","parser":"angle","arg":"x","result":null})"},
    });
}

TEST(BackBearingRecords, WithoutAUsableReadingReportNothing) {
    ExpectTraces(Slice::Walk, {
        {"face 1 rejected, no face 2",
         Backsight("<BackSight>B1</BackSight><Face1HorizontalCircle>abc</Face1HorizontalCircle>"),
         R"({"op":"Parse","parser":"angle","arg":"abc","result":null})"},
        {"both rejected",
         Backsight("<BackSight>B1</BackSight><Face1HorizontalCircle>abc</Face1HorizontalCircle>"
                   "<Face2HorizontalCircle></Face2HorizontalCircle>"),
         R"(
             {"op":"Parse","parser":"angle","arg":"abc","result":null}
             {"op":"Parse","parser":"angle","arg":"","result":null}
         )"},
        {"no face element", Backsight("<BackSight>B1</BackSight><HorizontalCircle>10</HorizontalCircle>"), ""},
        {"face element in other letter case",
         Backsight("<BackSight>B1</BackSight><face1HorizontalCircle>10</face1HorizontalCircle>"), ""},
    });
}

TEST(BackBearingRecords, NeedANonEmptyBacksightName) {
    const std::string reading = "<Face1HorizontalCircle>10.5</Face1HorizontalCircle>";
    ExpectTraces(Slice::Walk, {
        {"no name", Backsight(reading), ""},
        {"empty name", Backsight("<BackSight/>" + reading), ""},
        {"blank name", Backsight("<BackSight>   </BackSight>" + reading), ""},
        {"empty first name before a full second one",
         Backsight("<BackSight></BackSight><BackSight>B2</BackSight>" + reading), ""},
        {"blanks around the name are kept", Backsight("<BackSight> B 1 </BackSight>" + reading),
         R"(
             {"op":"Parse","parser":"angle","arg":"10.5","result":10.5}
             {"op":"AddObservation","arg":" B 1 "}
             {"op":"SetHorizontalCircle","arg":10.5}
             {"op":"SetFace","arg":false}
         )"},
    });
}

}  // namespace
