// The observation part of point records: a Circle makes the record an observation with
// its target height, circle readings, measured distance and face, always in that order.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

using Support::ExpectTraces;
using Support::Slice;
using Support::FieldBook;

// A point record P1 with these children besides its name.
std::string Point(const std::string& children) {
    return "<PointRecord><Name>P1</Name>" + children + "</PointRecord>";
}

const std::string kTarget = R"(<TargetRecord ID="t1"><TargetHeight>1.5</TargetHeight></TargetRecord>)";
const std::string kTargetParse = R"(
    {"op":"Parse","parser":"linear","arg":"1.5","result":1.5}
)";

TEST(CircleObservations, OpenTheObservationEvenWithoutReadings) {
    ExpectTraces(Slice::Walk, {
        {"empty circle", FieldBook(Point("<Circle></Circle>")), R"({"op":"AddObservation","arg":"P1"})"},
        {"self-closed circle", FieldBook(Point("<Circle/>")), R"({"op":"AddObservation","arg":"P1"})"},
        {"empty circle with a target height", FieldBook(kTarget + Point("<Circle/><TargetID>t1</TargetID>")),
         kTargetParse + R"(
             {"op":"AddObservation","arg":"P1"}
             {"op":"SetTargetHeight","arg":1.5}
         )"},
        {"target without circle is a coordinate point",
         FieldBook(kTarget + Point("<TargetID>t1</TargetID>")), kTargetParse + R"({"op":"AddPoint","arg":"P1"})"},
        {"circle in other letter case", FieldBook(Point("<circle><HorizontalCircle>1</HorizontalCircle></circle>")),
         R"({"op":"AddPoint","arg":"P1"})"},
        {"first of two circles",
         FieldBook(Point("<Circle/><Circle><HorizontalCircle>1</HorizontalCircle></Circle>")),
         R"({"op":"AddObservation","arg":"P1"})"},
    });
}

TEST(CircleObservations, ReportInAFixedOrderWhateverTheFileOrder) {
    const std::string expected = kTargetParse + R"(
        {"op":"AddObservation","arg":"P1"}
        {"op":"SetTargetHeight","arg":1.5}
        {"op":"Parse","parser":"angle","arg":"45","result":45}
        {"op":"SetHorizontalCircle","arg":45}
        {"op":"Parse","parser":"angle","arg":"90.5","result":90.5}
        {"op":"SetVerticalCircle","arg":90.5}
        {"op":"Parse","parser":"linear","arg":"12.5","result":12.5}
        {"op":"SetSlopeDistance","arg":12.5}
        {"op":"SetFace","arg":true}
    )";
    ExpectTraces(Slice::Walk, {
        {"usual order",
         FieldBook(kTarget + Point("<TargetID>t1</TargetID><Circle><HorizontalCircle>45</HorizontalCircle>"
                                   "<VerticalCircle>90.5</VerticalCircle><EDMDistance>12.5</EDMDistance>"
                                   "<Face>Face2</Face></Circle>")),
         expected},
        {"reverse order, target after the circle",
         FieldBook(kTarget + Point("<Circle><Face>Face2</Face><EDMDistance>12.5</EDMDistance>"
                                   "<VerticalCircle>90.5</VerticalCircle><HorizontalCircle>45</HorizontalCircle>"
                                   "</Circle><TargetID>t1</TargetID>")),
         expected},
    });
}

TEST(CircleObservations, HandEveryReadingTextToItsParser) {
    ExpectTraces(Slice::Walk, {
        {"empty readings are parsed",
         FieldBook(Point("<Circle><HorizontalCircle/><VerticalCircle></VerticalCircle><EDMDistance/></Circle>")),
         R"(
             {"op":"AddObservation","arg":"P1"}
             {"op":"Parse","parser":"angle","arg":"","result":null}
             {"op":"Parse","parser":"angle","arg":"","result":null}
             {"op":"Parse","parser":"linear","arg":"","result":null}
         )"},
        {"blank readings are empty texts",
         FieldBook(Point("<Circle><HorizontalCircle>  </HorizontalCircle><EDMDistance>\t</EDMDistance></Circle>")),
         R"(
             {"op":"AddObservation","arg":"P1"}
             {"op":"Parse","parser":"angle","arg":"","result":null}
             {"op":"Parse","parser":"linear","arg":"","result":null}
         )"},
        {"rejected readings leave out their calls only",
         FieldBook(Point("<Circle><HorizontalCircle>1,5</HorizontalCircle><VerticalCircle>90</VerticalCircle>"
                         "<EDMDistance>12m</EDMDistance><Face>Face1</Face></Circle>")),
         R"(
             {"op":"AddObservation","arg":"P1"}
             {"op":"Parse","parser":"angle","arg":"1,5","result":null}
             {"op":"Parse","parser":"angle","arg":"90","result":90}
             {"op":"SetVerticalCircle","arg":90}
             {"op":"Parse","parser":"linear","arg":"12m","result":null}
             {"op":"SetFace","arg":false}
         )"},
        {"blanks around a reading reach the parser",
         FieldBook(Point("<Circle><VerticalCircle> 90 </VerticalCircle></Circle>")),
         R"(
             {"op":"AddObservation","arg":"P1"}
             {"op":"Parse","parser":"angle","arg":" 90 ","result":90}
             {"op":"SetVerticalCircle","arg":90}
         )"},
        {"first of two readings, even when rejected",
         FieldBook(Point("<Circle><HorizontalCircle>x</HorizontalCircle><HorizontalCircle>45</HorizontalCircle>"
                         "<EDMDistance>5</EDMDistance><EDMDistance>6</EDMDistance></Circle>")),
         R"(
             {"op":"AddObservation","arg":"P1"}
             {"op":"Parse","parser":"angle","arg":"x","result":null}
             {"op":"Parse","parser":"linear","arg":"5","result":5}
             {"op":"SetSlopeDistance","arg":5}
         )"},
        {"a distance without target keeps its sign at zero",
         FieldBook(Point("<Circle><EDMDistance>-0</EDMDistance></Circle>")),
         R"(
             {"op":"AddObservation","arg":"P1"}
             {"op":"Parse","parser":"linear","arg":"-0","result":-0}
             {"op":"SetSlopeDistance","arg":-0}
         )"},
        {"readings outside the circle are not read",
         FieldBook(Point("<HorizontalCircle>45</HorizontalCircle><EDMDistance>5</EDMDistance><Circle/>")),
         R"({"op":"AddObservation","arg":"P1"})"},
    });
}

TEST(CircleObservations, ReadTheTargetOnlyBesideTheCircle) {
    const std::string target =
        R"(<TargetRecord ID="t1"><PrismConstant>0.5</PrismConstant><TargetHeight>1.5</TargetHeight></TargetRecord>)";
    ExpectTraces(Slice::Walk, {
        {"target id inside the circle",
         FieldBook(target + Point("<Circle><TargetID>t1</TargetID><EDMDistance>10</EDMDistance></Circle>")),
         R"(
             {"op":"Parse","parser":"linear","arg":"0.5","result":0.5}
             {"op":"Parse","parser":"linear","arg":"1.5","result":1.5}
             {"op":"AddObservation","arg":"P1"}
             {"op":"Parse","parser":"linear","arg":"10","result":10}
             {"op":"SetSlopeDistance","arg":10}
         )"},
        {"first of two target ids",
         FieldBook(target + Point("<TargetID>t2</TargetID><TargetID>t1</TargetID><Circle>"
                                  "<EDMDistance>10</EDMDistance></Circle>")),
         R"(
             {"op":"Parse","parser":"linear","arg":"0.5","result":0.5}
             {"op":"Parse","parser":"linear","arg":"1.5","result":1.5}
             {"op":"AddObservation","arg":"P1"}
             {"op":"Parse","parser":"linear","arg":"10","result":10}
             {"op":"SetSlopeDistance","arg":10}
         )"},
    });
}

TEST(CircleObservations, SetTheFaceOnlyForTheTwoExactWords) {
    const auto withFace = [](const std::string& face) {
        return FieldBook(Point("<Circle><Face>" + face + "</Face></Circle>"));
    };
    const std::string noFace = R"({"op":"AddObservation","arg":"P1"})";
    ExpectTraces(Slice::Walk, {
        {"Face1", withFace("Face1"), noFace + "\n" + R"({"op":"SetFace","arg":false})"},
        {"Face2", withFace("Face2"), noFace + "\n" + R"({"op":"SetFace","arg":true})"},
        {"with a blank inside", withFace("Face 1"), noFace},
        {"lower case", withFace("face1"), noFace},
        {"upper case", withFace("FACE2"), noFace},
        {"number", withFace("1"), noFace},
        {"trailing blank", withFace("Face1 "), noFace},
        {"longer word", withFace("Face12"), noFace},
        {"empty", withFace(""), noFace},
        {"first of two faces", FieldBook(Point("<Circle><Face>Face 2</Face><Face>Face2</Face></Circle>")), noFace},
    });
}

}  // namespace
