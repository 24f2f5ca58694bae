// The `calls` lines: numbers that read back as the same double, texts as JSON strings.
#include <gtest/gtest.h>

#include <charconv>
#include <limits>
#include <random>
#include <string>

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

// A value parser's answer written from the digits of its text must be what the shortest
// digits of the double give, whatever the text: every shape of decimal, and those the
// short way must leave alone (exponents, more than 15 digits, zeros, blanks, signs).
TEST(CallsFormat, ANumberWrittenFromItsTextIsTheShortestForm) {
    const auto expectSame = [](const std::string& text) {
        const Plugin::WString wide(text.begin(), text.end());
        const std::optional<double> value = Host::ParseDecimal(wide);
        if (!value) return;
        char fromText[Host::kJsonNumberSize], fromBytes[Host::kJsonNumberSize], shortest[Host::kJsonNumberSize];
        const std::size_t a = Host::FormatParsedJsonNumber(fromText, wide, *value);
        const std::size_t b = Host::FormatJsonNumber(shortest, *value);
        const std::size_t c = Host::FormatParsedJsonNumber(fromBytes, text, *value);
        ASSERT_EQ(std::string(fromText, a), std::string(shortest, b)) << "text \"" << text << "\"";
        ASSERT_EQ(std::string(fromBytes, c), std::string(shortest, b)) << "text \"" << text << "\"";
    };
    for (const char* text : {"0", "-0", "+0.000", "1", "-1", "+7", "10", "100", "1e5", "2.5E-3", "0.1", "0.30000000000000004",
                             "0.3000000000000000", "123456789012345", "1234567890123456", "12345678901234567890",
                             "0.000001", "0.0000001", "1000000000000000000000", "100000000000000000000", " 45.2910\r\n",
                             "\t-0.0344 ", "5712486.2789", "007.500", ".5", "5.", "-.25", "999999999999999",
                             "9007199254740993", "0.000000000000000000000000000001", "1.7976931348623157"})
        expectSame(text);
    std::mt19937 random(20240601);
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        if (random() % 4 == 0) text += random() % 2 ? "-" : "+";
        const int before = static_cast<int>(random() % 12), after = static_cast<int>(random() % 12);
        for (int d = 0; d < before; ++d) text += static_cast<char>('0' + random() % (d == 0 && random() % 3 == 0 ? 1 : 10));
        if (after > 0 || random() % 2) text += '.';
        for (int d = 0; d < after; ++d) text += static_cast<char>('0' + random() % 10);
        if (random() % 10 == 0) text += "e" + std::to_string(static_cast<int>(random() % 40) - 20);
        expectSame(text);
    }
}

// The table's fixed places written from the text's digits must be printf's, which rounds
// the double itself: ties (2.675 is a little under 2.675 as a double, 0.125 exactly half),
// carries (9.9996), values under the last place, negative ones rounding to zero.
TEST(CallsFormat, AFixedNumberWrittenFromItsTextIsPrintfs) {
    const auto expectSame = [](const std::string& text, int decimals) {
        const std::optional<double> value = Host::ParseDecimal(Plugin::WString(text.begin(), text.end()));
        if (!value) return;
        char fromText[400], printed[400];
        const std::size_t a = Host::FormatFixed(fromText, sizeof fromText, *value, decimals, text);
        const std::size_t b = static_cast<std::size_t>(
            std::to_chars(printed, printed + sizeof printed, *value, std::chars_format::fixed, decimals).ptr - printed);
        ASSERT_EQ(std::string(fromText, a), std::string(printed, b)) << "text \"" << text << "\" to " << decimals << " places";
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

}  // namespace
