// Target records: stored by ID, never reported by themselves; the observations that name
// them later get the target height and, when the user wants it, the prism constant added
// to the measured distance.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

using Support::ExpectTraces;
using Support::Slice;
using Support::FieldBook;

const Support::Settings kPrismConstantOff{false, true, true};

std::string Target(const std::string& id, const std::string& children) {
    return R"(<TargetRecord ID=")" + id + R"(">)" + children + "</TargetRecord>";
}

// An observation of P1 aiming at this target, measured at 100.0.
std::string Observation(const std::string& targetId) {
    return "<PointRecord><Name>P1</Name><TargetID>" + targetId +
           "</TargetID><Circle><EDMDistance>100.0</EDMDistance></Circle></PointRecord>";
}

const std::string kDistanceParse = R"(
    {"op":"Parse","parser":"linear","arg":"100.0","result":100}
)";

TEST(TargetRecords, GiveTheObservationItsHeightAndPrismConstant) {
    const std::string full = Target("t1", "<PrismConstant>-0.0344</PrismConstant><TargetHeight>1.8</TargetHeight>");
    const std::string parses = R"(
        {"op":"Parse","parser":"linear","arg":"-0.0344","result":-0.0344}
        {"op":"Parse","parser":"linear","arg":"1.8","result":1.8}
        {"op":"AddObservation","arg":"P1"}
        {"op":"SetTargetHeight","arg":1.8}
    )" + kDistanceParse;
    ExpectTraces(Slice::Walk, {
        {"constant added", FieldBook(full + Observation("t1")), parses + R"({"op":"SetSlopeDistance","arg":99.9656})"},
        {"constant not wanted", FieldBook(full + Observation("t1")), parses + R"({"op":"SetSlopeDistance","arg":100})",
         kPrismConstantOff},
        {"height written before the constant",
         FieldBook(Target("t1", "<TargetHeight>1.8</TargetHeight><PrismConstant>-0.0344</PrismConstant>") +
                   Observation("t1")),
         parses + R"({"op":"SetSlopeDistance","arg":99.9656})"},
        {"positive constant lengthens",
         FieldBook(Target("t1", "<PrismConstant>0.03</PrismConstant>") + Observation("t1")),
         R"(
             {"op":"Parse","parser":"linear","arg":"0.03","result":0.03}
             {"op":"AddObservation","arg":"P1"}
         )" + kDistanceParse + R"({"op":"SetSlopeDistance","arg":100.03})"},
    });
}

TEST(TargetRecords, ReportOnlyTheValuesTheyHold) {
    const std::string heightOnly = Target("t1", "<TargetHeight>1.8</TargetHeight>");
    const std::string heightTrace = R"(
        {"op":"Parse","parser":"linear","arg":"1.8","result":1.8}
        {"op":"AddObservation","arg":"P1"}
        {"op":"SetTargetHeight","arg":1.8}
    )" + kDistanceParse + R"({"op":"SetSlopeDistance","arg":100})";
    const std::string constantOnly = Target("t1", "<PrismConstant>-0.0344</PrismConstant>");
    const std::string constantTrace = R"(
        {"op":"Parse","parser":"linear","arg":"-0.0344","result":-0.0344}
        {"op":"AddObservation","arg":"P1"}
    )" + kDistanceParse;
    ExpectTraces(Slice::Walk, {
        {"height only, constant wanted", FieldBook(heightOnly + Observation("t1")), heightTrace},
        {"height only, constant not wanted", FieldBook(heightOnly + Observation("t1")), heightTrace,
         kPrismConstantOff},
        {"constant only, wanted", FieldBook(constantOnly + Observation("t1")),
         constantTrace + R"({"op":"SetSlopeDistance","arg":99.9656})"},
        {"constant only, not wanted", FieldBook(constantOnly + Observation("t1")),
         constantTrace + R"({"op":"SetSlopeDistance","arg":100})", kPrismConstantOff},
        {"empty constant is parsed and holds nothing",
         FieldBook(Target("t1", "<PrismConstant/><TargetHeight></TargetHeight>") + Observation("t1")),
         R"(
             {"op":"Parse","parser":"linear","arg":"","result":null}
             {"op":"Parse","parser":"linear","arg":"","result":null}
             {"op":"AddObservation","arg":"P1"}
         )" + kDistanceParse + R"({"op":"SetSlopeDistance","arg":100})"},
        {"first of two heights, even when rejected",
         FieldBook(Target("t1", "<TargetHeight>1,8</TargetHeight><TargetHeight>1.8</TargetHeight>") +
                   Observation("t1")),
         R"(
             {"op":"Parse","parser":"linear","arg":"1,8","result":null}
             {"op":"AddObservation","arg":"P1"}
         )" + kDistanceParse + R"({"op":"SetSlopeDistance","arg":100})"},
        {"constant not passed without a distance",
         FieldBook(constantOnly + "<PointRecord><Name>P1</Name><TargetID>t1</TargetID><Circle/></PointRecord>"),
         R"(
             {"op":"Parse","parser":"linear","arg":"-0.0344","result":-0.0344}
             {"op":"AddObservation","arg":"P1"}
         )"},
        {"constant not added to a rejected distance",
         FieldBook(constantOnly +
                   "<PointRecord><Name>P1</Name><TargetID>t1</TargetID><Circle><EDMDistance>n/a</EDMDistance>"
                   "</Circle></PointRecord>"),
         R"(
             {"op":"Parse","parser":"linear","arg":"-0.0344","result":-0.0344}
             {"op":"AddObservation","arg":"P1"}
             {"op":"Parse","parser":"linear","arg":"n/a","result":null}
         )"},
    });
}

TEST(TargetRecords, KeepTheFirstRecordOfAnId) {
    ExpectTraces(Slice::Walk, {
        {"two valid records",
         FieldBook(Target("t1", "<TargetHeight>1.8</TargetHeight>") + Target("t1", "<TargetHeight>2</TargetHeight>") +
                   Observation("t1")),
         R"(
             {"op":"Parse","parser":"linear","arg":"1.8","result":1.8}
             {"op":"Parse","parser":"linear","arg":"2","result":2}
             {"op":"AddObservation","arg":"P1"}
             {"op":"SetTargetHeight","arg":1.8}
         )" + kDistanceParse + R"({"op":"SetSlopeDistance","arg":100})"},
        {"a first record whose constant was rejected still holds its id",
         FieldBook(Target("t1", "<PrismConstant>abc</PrismConstant>") +
                   Target("t1", "<PrismConstant>0.5</PrismConstant><TargetHeight>2</TargetHeight>") +
                   Observation("t1")),
         R"(
             {"op":"Parse","parser":"linear","arg":"abc","result":null}
             {"op":"Parse","parser":"linear","arg":"0.5","result":0.5}
             {"op":"Parse","parser":"linear","arg":"2","result":2}
             {"op":"AddObservation","arg":"P1"}
         )" + kDistanceParse + R"({"op":"SetSlopeDistance","arg":100})"},
        {"a first record without values holds nothing",
         FieldBook(Target("t1", "<Kind>prism</Kind>") + Target("t1", "<TargetHeight>2</TargetHeight>") +
                   Observation("t1")),
         R"(
             {"op":"Parse","parser":"linear","arg":"2","result":2}
             {"op":"AddObservation","arg":"P1"}
             {"op":"SetTargetHeight","arg":2}
         )" + kDistanceParse + R"({"op":"SetSlopeDistance","arg":100})"},
    });
}

TEST(TargetRecords, AreFoundOnlyEarlierAndByExactlyTheSameId) {
    const std::string stored = R"(
        {"op":"Parse","parser":"linear","arg":"2","result":2}
    )";
    const std::string found = stored + R"(
        {"op":"AddObservation","arg":"P1"}
        {"op":"SetTargetHeight","arg":2}
    )" + kDistanceParse + R"({"op":"SetSlopeDistance","arg":100})";
    const std::string missed = stored + R"({"op":"AddObservation","arg":"P1"})" + kDistanceParse +
                               R"({"op":"SetSlopeDistance","arg":100})";
    const auto target = [](const std::string& id) { return Target(id, "<TargetHeight>2</TargetHeight>"); };
    ExpectTraces(Slice::Walk, {
        {"same id", FieldBook(target("t1") + Observation("t1")), found},
        {"target later in the file", FieldBook(Observation("t1") + target("t1")),
         R"({"op":"AddObservation","arg":"P1"})" + kDistanceParse + R"({"op":"SetSlopeDistance","arg":100})" + stored},
        {"letter case", FieldBook(target("T1") + Observation("t1")), missed},
        {"leading zeros", FieldBook(target("01") + Observation("1")), missed},
        {"blanks kept in the attribute", FieldBook(target(" t1 ") + Observation(" t1 ")), found},
        {"blanks only in the attribute", FieldBook(target(" t1") + Observation("t1")), missed},
        {"blanks only in the reference", FieldBook(target("t1") + Observation("t1 ")), missed},
    });
}

// Observations one after another, each naming its own target (or none): every one finds
// exactly the entry its ID names, whichever target the one before it found or missed.
TEST(TargetRecords, AreFoundAnewForEveryObservation) {
    const auto target = [](const std::string& id, const std::string& height) {
        return Target(id, "<TargetHeight>" + height + "</TargetHeight>");
    };
    const auto stored = [](const std::string& height) {
        return R"({"op":"Parse","parser":"linear","arg":")" + height + R"(","result":)" + height + "}\n";
    };
    const auto aimedAt = [](const std::string& height) {
        std::string trace = "{\"op\":\"AddObservation\",\"arg\":\"P1\"}\n";
        if (!height.empty()) trace += R"({"op":"SetTargetHeight","arg":)" + height + "}\n";
        return trace + kDistanceParse + "{\"op\":\"SetSlopeDistance\",\"arg\":100}\n";
    };
    const std::string withoutTargetId =
        "<PointRecord><Name>P1</Name><Circle><EDMDistance>100.0</EDMDistance></Circle></PointRecord>";
    ExpectTraces(Slice::Walk, {
        {"in turn, with misses between",
         FieldBook(target("t1", "1") + target("t2", "2") + Observation("t1") + Observation("t1") +
                   Observation("t2") + Observation("t1") + Observation("t") + Observation("t1") +
                   Observation("t12") + Observation("t1") + withoutTargetId + Observation("t1") +
                   Observation("") + Observation("t2")),
         stored("1") + stored("2") + aimedAt("1") + aimedAt("1") + aimedAt("2") + aimedAt("1") + aimedAt("") +
             aimedAt("1") + aimedAt("") + aimedAt("1") + aimedAt("") + aimedAt("1") + aimedAt("") + aimedAt("2")},
        {"missed, then recorded, then found",
         FieldBook(Observation("t3") + target("t3", "3") + Observation("t3") + Observation("t3")),
         aimedAt("") + stored("3") + aimedAt("3") + aimedAt("3")},
        {"a later record of the same id changes nothing",
         FieldBook(target("t1", "1") + Observation("t1") + target("t1", "9") + Observation("t1")),
         stored("1") + aimedAt("1") + stored("9") + aimedAt("1")},
    });
}

TEST(TargetRecords, NeedANonEmptyIdAttribute) {
    const std::string values = "<PrismConstant>0.5</PrismConstant><TargetHeight>2</TargetHeight>";
    const std::string observed = R"({"op":"AddObservation","arg":"P1"})" + kDistanceParse +
                                 R"({"op":"SetSlopeDistance","arg":100})";
    ExpectTraces(Slice::Walk, {
        {"no id", FieldBook("<TargetRecord>" + values + "</TargetRecord>" + Observation("t1")), observed},
        {"empty id", FieldBook(Target("", values) + Observation("")), observed},
        {"id as a child element", FieldBook("<TargetRecord><ID>t1</ID>" + values + "</TargetRecord>" +
                                            Observation("t1")),
         observed},
        {"id attribute in other letter case",
         FieldBook(R"(<TargetRecord Id="t1">)" + values + "</TargetRecord>" + Observation("t1")), observed},
    });
}

}  // namespace
