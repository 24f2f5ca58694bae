// The `calls` lines: one JSON object per call, texts as JSON strings.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "host/calls.h"

namespace {

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

// A call as it happens: the plug-in's UTF-16 as UTF-8 (an unpaired surrogate as U+FFFD),
// escaped; numbers, flags, integers and labels as the call carries them.
TEST(CallsFormat, TheLineOfACallAsItHappens) {
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
        EXPECT_EQ(Host::ToJsonLine(Host::Call(c.event)), c.line);
        std::string appended = "before: ";
        Host::AppendJsonLine(appended, Host::Call(c.event));
        EXPECT_EQ(appended, std::string("before: ") + c.line);
    }
}

}  // namespace
