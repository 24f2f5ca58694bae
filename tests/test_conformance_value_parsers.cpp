// The reference host's value parsers seen through the plug-in: a number's value, not the
// length of its digits or of its exponent, decides between an overflow and an underflow.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

using Support::ExpectTraces;
using Support::Slice;

// A computed point whose North is this text, and what the walk gives for it.
Support::TraceCase North(const std::string& behaviour, const std::string& text, const std::string& result) {
    std::string expected = R"({"op":"AddPoint","arg":"P1"})"
                           "\n"
                           R"({"op":"Parse","parser":"linear","arg":")" +
                           text + R"(","result":)" + result + "}";
    if (result != "null") expected += "\n" R"({"op":"SetNorth","arg":)" + result + "}";
    return {behaviour, Support::Reductions("<Point><Name>P1</Name><Grid><North>" + text + "</North></Grid></Point>"),
            expected};
}

TEST(ValueParserNumbers, LongDigitRunsAgainstLargeExponents) {
    const std::string zeros(200000, '0');
    ExpectTraces(Slice::Walk, {
        North("tiny digits, huge exponent: overflows", "0." + zeros + "1e250000", "null"),
        North("huge digits, hugely negative exponent: underflows to zero", "1" + zeros + "e-250000", "0"),
        North("the same below zero keeps its sign", "-1" + zeros + "e-250000", "-0"),
        North("huge digits brought back by the exponent", "1" + zeros + "e-200000", "1"),
        North("tiny digits brought back by the exponent", "0." + zeros + "1e200001", "1"),
    });
}

}  // namespace
