// The host side's text: numbers that read back as the same double, numbers with fixed
// places as printf writes them, JSON strings, CSV fields, texts as a person sees them.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "host/text.h"
#include "host/value_parsers.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

// Each way a number is laid out: a whole number up to 21 digits, a point among the digits,
// up to five zeros after the point, an exponent either way.
TEST(Text, NumbersAreLaidOutAsJavaScriptWritesThem) {
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
        {5712486.2789, "5712486.2789"},
        {0.1 + 0.2, "0.30000000000000004"},
        {9007199254740993.0, "9007199254740992"},
        {1e20, "100000000000000000000"},
        {123456789012345678901.0, "123456789012345680000"},
        {1e21, "1e+21"},
        {-1.5e300, "-1.5e+300"},
        {0.000001, "0.000001"},
        {-0.000001234, "-0.000001234"},
        {1e-7, "1e-7"},
        {1.5e-7, "1.5e-7"},
        {1.23e-18, "1.23e-18"},
        {5e-324, "5e-324"},
        {2.2250738585072014e-308, "2.2250738585072014e-308"},
        {std::numeric_limits<double>::max(), "1.7976931348623157e+308"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Host::JsonNumber(c.value), c.text);
        std::string csv;
        Host::AppendNumber(csv, c.value);
        EXPECT_EQ(csv, c.text);
    }
}

TEST(Text, ANumberThatIsNotFiniteIsAWord) {
    const struct {
        double value;
        const char* json;
        const char* bare;
        const char* shortest;
    } cases[] = {
        {kInfinity, "\"inf\"", "inf", "inf"},
        {-kInfinity, "\"-inf\"", "-inf", "-inf"},
        {kNan, "\"nan\"", "nan", "nan"},
        {-kNan, "\"nan\"", "nan", "nan"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Host::JsonNumber(c.value), c.json);
        std::string bare;
        Host::AppendNumber(bare, c.value);
        EXPECT_EQ(bare, c.bare);
        EXPECT_EQ(Host::ShortestNumber(c.value), c.shortest);
        EXPECT_EQ(Host::FixedNumber(c.value, 3), c.bare);
    }
}

// Any double, whatever its bits, reads back as itself, its sign included; from a millionth
// to a quadrillion the text is the shortest fixed form.
TEST(Text, NumbersReadBackAsTheSameDouble) {
    std::mt19937_64 random(20261209);
    const auto check = [](double value) {
        std::string text;
        Host::AppendNumber(text, value);
        double back = 0;
        const auto read = std::from_chars(text.data(), text.data() + text.size(), back);
        ASSERT_TRUE(read.ec == std::errc() && read.ptr == text.data() + text.size()) << text;
        ASSERT_EQ(std::memcmp(&back, &value, sizeof back), 0) << text;
        if (std::fabs(value) >= 1e-6 && std::fabs(value) < 1e15) {
            char fixed[400];
            const std::string shortest(fixed, std::to_chars(fixed, fixed + sizeof fixed, value, std::chars_format::fixed).ptr);
            ASSERT_EQ(text, shortest);
        }
    };
    for (int i = 0; i < 50000; ++i) {
        const std::uint64_t bits = random();
        double any;
        std::memcpy(&any, &bits, sizeof any);
        if (std::isfinite(any)) check(any);
        // A decimal of up to 15 digits, as a job has them, and the doubles beside it.
        const int digits = 1 + static_cast<int>(random() % 15);
        std::string decimal = random() % 4 == 0 ? "-" : "";
        for (int d = 0; d < digits; ++d) decimal += static_cast<char>('0' + (d == 0 ? 1 + random() % 9 : random() % 10));
        decimal += "e" + std::to_string(static_cast<int>(random() % 40) - 20 - digits);
        double value = 0;
        std::from_chars(decimal.data(), decimal.data() + decimal.size(), value);
        check(value);
        check(std::nextafter(value, 0.0));
    }
}

// printf rounds the double's exact value, a half to even: ties (0.125 is exactly half
// way, 2.675 a little under as a double), carries (9.9996), values under the last place,
// negative ones rounding to zero, magnitudes up to the largest double.
TEST(Text, AFixedNumberIsPrintfs) {
    const auto expectPrintfs = [](double value, int decimals) {
        char printed[512];
        std::snprintf(printed, sizeof printed, "%.*f", decimals, value);
        ASSERT_EQ(Host::FixedNumber(value, decimals), printed) << value << " to " << decimals << " places";
    };
    for (const char* text : {"2.675", "0.125", "0.375", "9.9996", "999.9995", "-0.0001", "-0.0005", "0.0005", "0.00049",
                             "5712486.2789", "45.2910", "1.563", "100", "1e3", "0.000001", "123456789012345", "-99.99999",
                             "0.5", "1.5", "2.5", "-2.5", "7.25", "3.14159", "-0"})
        for (int decimals = 0; decimals <= 6; ++decimals)
            expectPrintfs(*Host::ParseDecimal(Plugin::WString(text, text + std::strlen(text))), decimals);
    for (const double special : {1099511627775.75, 1099511627776.0, 4503599627370495.5, 1e300, -1e300,
                                 std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min()})
        for (int decimals = 0; decimals <= 3; ++decimals) expectPrintfs(special, decimals);
    std::mt19937_64 random(11);
    for (int i = 0; i < 100000; ++i) {
        const int decimals = static_cast<int>(random() % 24);
        const double magnitude = std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 100) - 110);
        expectPrintfs(random() % 2 ? -magnitude : magnitude, decimals);
        // Next to a half of the last place, where the rounding must be exact.
        const double half = (static_cast<double>(random() % 100000000) + 0.5) / std::pow(10.0, decimals % 9);
        for (const double near : {half, std::nextafter(half, 0.0), std::nextafter(half, 1e300)})
            expectPrintfs(near, decimals % 9);
    }
}

TEST(Text, JsonStrings) {
    const struct {
        std::string utf8;
        const char* json;
    } cases[] = {
        {"", R"("")"},
        {"P1", R"("P1")"},
        {"a\"b\\c", R"("a\"b\\c")"},
        {"\b\f\n\r\t", R"("\b\f\n\r\t")"},
        {std::string("\x00\x01\x1F", 3), R"("\u0000\u0001\u001f")"},
        {"/\x7F\xD0\x90", "\"/\x7F\xD0\x90\""},  // DEL and beyond ASCII as they are
    };
    for (const auto& c : cases) EXPECT_EQ(Host::JsonString(c.utf8), c.json);
}

TEST(Text, CsvFields) {
    const struct {
        const char* text;
        const char* field;
    } cases[] = {
        {"", ""},
        {"P1", "P1"},
        {"a b", "a b"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\r", "\"cr\r\""},
        {" lead", "\" lead\""},
        {"trail ", "\"trail \""},
        {"\xD0\x90;x", "\xD0\x90;x"},
    };
    for (const auto& c : cases) {
        std::string out = "x,";
        Host::AppendCsvField(out, c.text);
        EXPECT_EQ(out, std::string("x,") + c.field) << c.text;
    }
}

TEST(Text, TextsAsAPersonSeesThem) {
    const struct {
        std::string utf8;
        const char* shown;
        std::size_t characters;
    } cases[] = {
        {"P1", "P1", 2},
        {"Станция 1", "Станция 1", 9},
        {"", R"("")", 0},
        {" P1", R"(" P1")", 3},
        {"P1 ", R"("P1 ")", 3},
        {"a\tb", R"("a\tb")", 3},
        {"a\x7F", "\"a\x7F\"", 2},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Host::VisibleText(c.utf8), c.shown);
        EXPECT_EQ(Host::CharacterCount(c.utf8), c.characters) << c.utf8;
    }
}

}  // namespace
