// The reference host's value parsers on their own: the rule of what they accept, and the
// nearest double for every decimal, however it is read.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <random>
#include <string>

#include "host/value_parsers.h"

namespace {

std::optional<double> Parse(const std::string& text) {
    return Host::ParseDecimal(Plugin::WString(text.begin(), text.end()));
}

// The rule, and where std::from_chars, which reads the number, would answer otherwise:
// it refuses a leading '+', reads "inf", "nan" and the "1" of "1e" or "0x1A", and answers
// result_out_of_range both for an overflow and for a value too small even for a subnormal.
TEST(ValueParsers, AcceptDecimalsInTheCLocaleAndNothingElse) {
    const double kSubnormal = std::numeric_limits<double>::denorm_min();
    const struct {
        const char* text;
        std::optional<double> value;
    } cases[] = {
        {"45.2910", 45.291},      {"-0.0344", -0.0344},    {"+7", 7.0},          {".5", 0.5},
        {"5.", 5.0},              {"1e5", 1e5},            {"2.5E-3", 2.5e-3},   {" \t45.5\r\n", 45.5},
        {"1e+22", 1e22},          {"1e23", 1e23},          {"0.1e-22", 1e-23},   {"9007199254740993", 9007199254740992.0},
        {"1.e2", 100.0},          {"007", 7.0},            {"+.5", 0.5},         {"-5.", -5.0},
        {"1.7976931348623157e308", std::numeric_limits<double>::max()},
        {"4.9e-324", kSubnormal}, {"3e-324", kSubnormal},  {"2e-324", 0.0},      {"1e-400", 0.0},
        {"1e-99999999999999999999", 0.0},                  {"0e99999999999999999999", 0.0},
        {"", std::nullopt},       {" ", std::nullopt},     {".", std::nullopt},  {"-", std::nullopt},
        {"+", std::nullopt},      {"+-1", std::nullopt},   {"-+1", std::nullopt}, {"++1", std::nullopt},
        {"1,5", std::nullopt},    {"0x1A", std::nullopt},  {"0x1p3", std::nullopt}, {"1p3", std::nullopt},
        {"inf", std::nullopt},    {"-inf", std::nullopt},  {"infinity", std::nullopt}, {"INF", std::nullopt},
        {"nan", std::nullopt},    {"NaN", std::nullopt},   {"nan(1)", std::nullopt},
        {"12m", std::nullopt},    {"--1", std::nullopt},   {"1e", std::nullopt}, {"1e+", std::nullopt},
        {"1 2", std::nullopt},    {"1.2.3", std::nullopt}, {"e5", std::nullopt}, {".e5", std::nullopt},
        {"1e400", std::nullopt},  {"-1e400", std::nullopt}, {"1.7976931348623159e308", std::nullopt},
        {"1e99999999999999999999", std::nullopt},          {"\v1", std::nullopt},  {"1\f", std::nullopt},
        {"\xB9", std::nullopt},
    };
    for (const auto& c : cases) {
        const std::optional<double> value = Parse(c.text);
        EXPECT_EQ(value.has_value(), c.value.has_value()) << "\"" << c.text << "\"";
        if (value && c.value) {
            EXPECT_EQ(*value, *c.value) << "\"" << c.text << "\"";
            EXPECT_EQ(std::signbit(*value), c.text[0] == '-') << "\"" << c.text << "\"";
        }
    }
    EXPECT_TRUE(std::signbit(*Parse("-0")));
    EXPECT_TRUE(std::signbit(*Parse("-0.000e5")));
    EXPECT_TRUE(std::signbit(*Parse("-1e-400")));
    EXPECT_FALSE(Host::ParseDecimal(Plugin::WString{'1', 0x0661}).has_value());  // an Arabic-Indic digit
    EXPECT_FALSE(Host::ParseDecimal(Plugin::WString{'1', 0, '2'}).has_value());   // a zero inside the text
    EXPECT_FALSE(Host::ParseDecimal(Plugin::WString{'1', 0x100 + '2'}).has_value());  // not a '2' once narrowed
}

// Decimals of every shape, short and long, with exponents and without: the C library's
// nearest double, its sign included.
TEST(ValueParsers, GiveTheNearestDoubleForEveryShapeOfDecimal) {
    std::setlocale(LC_NUMERIC, "C");
    std::mt19937 random(20240602);
    for (int i = 0; i < 300000; ++i) {
        std::string text;
        if (random() % 4 == 0) text += random() % 2 ? "-" : "+";
        const int before = static_cast<int>(random() % 20), after = static_cast<int>(random() % 20);
        for (int d = 0; d < before; ++d) text += static_cast<char>('0' + random() % 10);
        if (after > 0 || random() % 2) text += '.';
        for (int d = 0; d < after; ++d) text += static_cast<char>('0' + random() % 10);
        if (random() % 5 == 0) text += "e" + std::to_string(static_cast<int>(random() % 60) - 30);
        const std::optional<double> value = Parse(text);
        if (before + after == 0) {
            EXPECT_FALSE(value.has_value()) << "\"" << text << "\"";
            continue;
        }
        ASSERT_TRUE(value.has_value()) << "\"" << text << "\"";
        ASSERT_EQ(*value, std::strtod(text.c_str(), nullptr)) << "\"" << text << "\"";
        ASSERT_EQ(std::signbit(*value), std::signbit(std::strtod(text.c_str(), nullptr))) << "\"" << text << "\"";
    }
}

}  // namespace
