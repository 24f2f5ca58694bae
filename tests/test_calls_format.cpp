// The `calls` lines: numbers that read back as the same double, texts as JSON strings.
#include <gtest/gtest.h>

#include <limits>

#include "host/calls.h"

namespace {

TEST(CallsFormat, Numbers) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0"},
        {-0.0, "-0"},
        {50.0, "50"},
        {100000.0, "100000"},
        {99.9656, "99.9656"},
        {-0.0344, "-0.0344"},
        {0.1 + 0.2, "0.30000000000000004"},
        {1e21, "1e+21"},
        {123456789012345678901.0, "123456789012345680000"},
        {0.000001, "0.000001"},
        {1.5e-7, "1.5e-7"},
        {5e-324, "5e-324"},
        {std::numeric_limits<double>::max(), "1.7976931348623157e+308"},
        {std::numeric_limits<double>::infinity(), "\"inf\""},
        {-std::numeric_limits<double>::infinity(), "\"-inf\""},
        {std::numeric_limits<double>::quiet_NaN(), "\"nan\""},
    };
    for (const auto& c : cases) EXPECT_EQ(Host::JsonNumber(c.value), c.text);
}

TEST(CallsFormat, Lines) {
    EXPECT_EQ(Host::ToJsonLine(Host::Call("MarkKeyedIn")), R"({"op":"MarkKeyedIn"})");
    EXPECT_EQ(Host::ToJsonLine(Host::Call("SetFace", true)), R"({"op":"SetFace","arg":true})");
    EXPECT_EQ(Host::ToJsonLine(Host::Call("SetResult", std::int32_t{-1})), R"({"op":"SetResult","arg":-1})");
    EXPECT_EQ(Host::ToJsonLine(Host::Call("SetCode", std::string("a\"b\\c\n\x01/\xD0\x90"))),
              R"({"op":"SetCode","arg":"a\"b\\c\n\u0001/А"})");
    EXPECT_EQ(Host::ToJsonLine(Host::Call::Parse("angle", "abc", std::nullopt)),
              R"({"op":"Parse","parser":"angle","arg":"abc","result":null})");
    EXPECT_EQ(Host::ToJsonLine(Host::Call::Parse("linear", " 1e5 ", 1e5)),
              R"({"op":"Parse","parser":"linear","arg":" 1e5 ","result":100000})");
}

}  // namespace
