// The `calls` lines: numbers that read back as the same double, texts as JSON strings.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <string_view>

#include "host/calls.h"
#include "host/value_parsers.h"

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

// Numbers are written the quick way when their shortest form has at most 15 digits: the
// text must be the general search's whatever the double. Decimals of up to 15 digits at
// every magnitude, the doubles next to them, powers of ten and their neighbours, doubles
// of any bits. From 1e-6 to 1e15 that is the shortest fixed form (above, JavaScript
// writes zeros where the fixed form has the double's exact digits).
TEST(CallsFormat, NumbersOfEveryKindAreTheShortestFixedForm) {
    const auto expectShortest = [](double value) {
        char written[Host::kJsonNumberSize];
        const std::string text(written, Host::FormatJsonNumber(written, value));
        if (!(std::fabs(value) >= 1e-6 && std::fabs(value) < 1e15)) return;
        char fixed[400];
        const std::string shortest(fixed, std::to_chars(fixed, fixed + sizeof fixed, value, std::chars_format::fixed).ptr);
        ASSERT_EQ(text, shortest);
    };
    std::mt19937_64 random(20261209);
    for (int i = 0; i < 300000; ++i) {
        const int count = 1 + static_cast<int>(random() % 15);
        std::string text = random() % 4 == 0 ? "-" : "";
        for (int d = 0; d < count; ++d) text += static_cast<char>('0' + (d == 0 ? 1 + random() % 9 : random() % 10));
        text += "e" + std::to_string(static_cast<int>(random() % 23) - 8 - count + 1);
        const double value = std::strtod(text.c_str(), nullptr);
        expectShortest(value);
        expectShortest(std::nextafter(value, 0.0));
        expectShortest(std::nextafter(value, value * 2));
        const std::uint64_t bits = random();
        double any;
        std::memcpy(&any, &bits, sizeof any);
        expectShortest(any);
    }
    for (int e = -10; e <= 22; ++e) {
        const double power = std::pow(10.0, e);
        for (double value : {power, std::nextafter(power, 0.0), std::nextafter(power, 2 * power), 9.99999999999999 * power,
                             0.999999999999999 * power, 0.30000000000000004 * power, 123456789012345.0 * power / 1e14})
            expectShortest(value);
    }
}

// The table's fixed places, written the quick way, must be printf's, which rounds
// the double itself: ties (2.675 is a little under 2.675 as a double, 0.125 exactly half),
// carries (9.9996), values under the last place, negative ones rounding to zero.
TEST(CallsFormat, AFixedNumberIsPrintfs) {
    const auto expectPrintfs = [](double value, int decimals, std::string_view text = {}) {
        char quick[400], printed[400];
        const std::size_t a = Host::FormatFixed(quick, sizeof quick, value, decimals);
        const std::size_t b = static_cast<std::size_t>(
            std::to_chars(printed, printed + sizeof printed, value, std::chars_format::fixed, decimals).ptr - printed);
        ASSERT_EQ(std::string(quick, a), std::string(printed, b)) << value << " read from \"" << text << "\", to " << decimals << " places";
    };
    const auto expectSame = [&](const std::string& text, int decimals) {
        if (const auto value = Host::ParseDecimal(Plugin::WString(text.begin(), text.end())))
            expectPrintfs(*value, decimals, text);
    };
    for (const char* text : {"2.675", "0.125", "0.375", "9.9996", "999.9995", "-0.0001", "-0.0005", "0.0005", "0.00049",
                             "5712486.2789", "45.2910", "1.563", "100", "1e3", "0.000001", "123456789012345", "-99.99999",
                             "0.5", "1.5", "2.5", "-2.5", "  7.25 ", "+3.14159"})
        for (int decimals = 0; decimals <= 6; ++decimals) expectSame(text, decimals);
    std::mt19937 random(7);
    for (int i = 0; i < 200000; ++i) {
        std::string text = random() % 5 == 0 ? "-" : "";
        const int before = static_cast<int>(random() % 9), after = static_cast<int>(random() % 9);
        for (int d = 0; d < before; ++d) text += static_cast<char>('0' + random() % 10);
        text += '.';
        for (int d = 0; d < after; ++d) text += static_cast<char>('0' + (random() % 3 == 0 ? 5 : random() % 10));
        expectSame(text, static_cast<int>(random() % 7));
    }
    // Doubles of every magnitude and any number of places, and those next to a half of the
    // last place, where the quick rounding must step aside.
    std::mt19937_64 wide(11);
    for (int i = 0; i < 200000; ++i) {
        const int decimals = static_cast<int>(wide() % 24);
        const double magnitude = std::ldexp(static_cast<double>(wide() >> 11), static_cast<int>(wide() % 100) - 110);
        const double value = wide() % 2 ? -magnitude : magnitude;
        expectPrintfs(value, decimals);
        const double half = (static_cast<double>(wide() % 100000000) + 0.5) / std::pow(10.0, decimals % 9);
        for (const double near : {half, std::nextafter(half, 0.0), std::nextafter(half, 1e300)})
            expectPrintfs(near, decimals % 9);
    }
    for (const double special : {0.0, -0.0, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
                                 1099511627775.75, 1099511627776.0, 1e300})
        for (int decimals = 0; decimals <= 3; ++decimals) expectPrintfs(special, decimals);
}

// The tool writes each call as it happens, from the call itself; the tests keep them and
// write them later. Both must give the same bytes.
TEST(CallsFormat, ACallWrittenAsItHappensIsTheLineOfTheCallKept) {
    using Host::CallEvent;
    using Host::Op;
    const auto text = [](Op op, const Plugin::WChar* wide) {
        CallEvent event{op, CallEvent::Kind::Text};
        event.text = wide;
        return event;
    };
    const auto number = [](Op op, double value) {
        CallEvent event{op, CallEvent::Kind::Number};
        event.number = value;
        return event;
    };
    const auto parse = [](const char* parser, const Plugin::WChar* wide, std::optional<double> result) {
        CallEvent event{Op::Parse, CallEvent::Kind::Text};
        event.text = wide;
        event.label = parser;
        event.result = result;
        return event;
    };
    CallEvent flag{Op::SetFace, CallEvent::Kind::Flag};
    flag.flag = true;
    CallEvent integer{Op::SetResult, CallEvent::Kind::Integer};
    integer.integer = -1;
    CallEvent release{Op::Release, CallEvent::Kind::Label};
    release.label = "factory";
    const Plugin::WChar pair[] = {0xD83D, 0xDE00, 0};            // U+1F600
    const Plugin::WChar lone[] = {'a', 0xD800, 'b', 0xDC00, 0};  // unpaired surrogates
    const struct {
        CallEvent event;
        const char* line;
    } cases[] = {
        {CallEvent{Op::MarkKeyedIn}, R"({"op":"MarkKeyedIn"})"},
        {CallEvent{Op::GetValueParserFactory}, R"({"op":"GetValueParserFactory"})"},
        {flag, R"({"op":"SetFace","arg":true})"},
        {integer, R"({"op":"SetResult","arg":-1})"},
        {release, R"({"op":"Release","arg":"factory"})"},
        {number(Op::SetProgress, 50), R"({"op":"SetProgress","arg":50})"},
        {number(Op::SetNorth, -0.0), R"({"op":"SetNorth","arg":-0})"},
        {number(Op::SetEast, std::numeric_limits<double>::infinity()), R"({"op":"SetEast","arg":"inf"})"},
        {text(Op::SetCode, WIDE("a\"b\\c\n\x01/\x7F")), R"({"op":"SetCode","arg":"a\"b\\c\n\u0001/"})"},
        {text(Op::AddStation, WIDE("Станция 1")), R"({"op":"AddStation","arg":"Станция 1"})"},
        {text(Op::AddPoint, pair), "{\"op\":\"AddPoint\",\"arg\":\"\xF0\x9F\x98\x80\"}"},
        {text(Op::AddPoint, lone), "{\"op\":\"AddPoint\",\"arg\":\"a\xEF\xBF\xBD" "b\xEF\xBF\xBD\"}"},
        {text(Op::BeginFile, WIDE("")), R"({"op":"BeginFile","arg":""})"},
        {parse("angle", WIDE("abc"), std::nullopt), R"({"op":"Parse","parser":"angle","arg":"abc","result":null})"},
        {parse("linear", WIDE(" 1e5 "), 1e5), R"({"op":"Parse","parser":"linear","arg":" 1e5 ","result":100000})"},
    };
    for (const auto& c : cases) {
        std::string streamed = "kept: ";
        Host::AppendJsonLine(streamed, c.event);
        EXPECT_EQ(streamed, std::string("kept: ") + c.line);
        EXPECT_EQ(Host::ToJsonLine(Host::Call(c.event)), c.line);
    }
}

// Texts are written eight units at a time while they are plain: whatever needs an escape
// or is not ASCII, at any place of a text of any length, must come out as it does one
// character at a time.
TEST(CallsFormat, TextsOfEveryLengthWithAnythingAnywhere) {
    const Plugin::WChar alphabet[] = {'a', '7', ' ', '"', '\\', '\n', 0x01, 0x1F, 0x7F, 0x80, 0x410, 0xFFFF, 0xD83D, 0xDE00};
    std::mt19937 random(5);
    for (int i = 0; i < 20000; ++i) {
        Plugin::WString text(random() % 40, 'x');
        const int unusual = static_cast<int>(random() % 3);
        for (Plugin::WChar& unit : text) unit = alphabet[random() % (unusual == 0 ? 2 : std::size(alphabet))];
        Host::CallEvent event{Host::Op::AddPoint, Host::CallEvent::Kind::Text};
        event.text = text;
        std::string streamed;
        Host::AppendJsonLine(streamed, event);
        ASSERT_EQ(streamed, Host::ToJsonLine(Host::Call(event))) << "length " << text.size();
    }
}

}  // namespace
