// Deep nesting is refused before the recursive parser can overflow the host's stack.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

using Support::ExpectTraces;
using Support::Slice;
using Support::kMalformed;

// The root at level 1 and `innermost` at level `depth`.
std::string Nested(int depth, const std::string& innermost = "<x/>") {
    std::string text = "<JOBFile><FieldBook><StationRecord><StationName>S1</StationName></StationRecord></FieldBook>";
    for (int level = 3; level <= depth; ++level) text += "<n>";
    text += depth >= 3 ? innermost : "";
    for (int level = 3; level <= depth; ++level) text += "</n>";
    return text + "</JOBFile>";
}

const char* const kWalked = R"(
    {"op":"SetProgress","arg":50}
    {"op":"AddStation","arg":"S1"}
    {"op":"SetResult","arg":-1}
    {"op":"ShowMessage","arg":"Ошибка в формате файла"}
    {"op":"SetProgress","arg":100}
)";

TEST(Nesting, LimitIs256Levels) {
    ExpectTraces(Slice::File, {
        {"256 levels", Nested(256), kWalked},
        {"257 levels", Nested(257), kMalformed},
        {"257 levels, the last one open", Nested(257, "<x></x>"), kMalformed},
        {"10,000 levels", Nested(10000), kMalformed},
        {"100,000 unclosed levels", "<JOBFile>" + [] {
             std::string text;
             for (int i = 0; i < 100000; ++i) text += "<a>";
             return text;
         }(), kMalformed},
    });
}

TEST(Nesting, OnlyElementsCount) {
    std::string deepText;
    for (int i = 0; i < 300; ++i) deepText += "<a>";
    ExpectTraces(Slice::File, {
        {"in a comment", Nested(256, "<x><!--" + deepText + "--></x>"), kWalked},
        {"in CDATA", Nested(256, "<x><![CDATA[" + deepText + "]]></x>"), kWalked},
        {"in a processing instruction", Nested(256, "<x><?pi " + deepText + "?></x>"), kWalked},
        {"in text, escaped", Nested(256, "<x>&lt;a>&lt;a></x>"), kWalked},
        {"in an attribute value", Nested(256, "<x a='" + deepText + "' b=\"" + deepText + "\"/>"), kWalked},
        {"in the DOCTYPE", "<!DOCTYPE JOBFile [ <!ENTITY e '" + deepText + "'> ]>" + Nested(256), kWalked},
        {"in a declaration's attribute", "<?xml version='1.0' note='" + deepText + "?>'?>" + Nested(256), kWalked},
        {"closing tags close", [] {
             std::string text = "<JOBFile><FieldBook><StationRecord><StationName>S1</StationName></StationRecord></FieldBook>";
             for (int i = 0; i < 1000; ++i) text += "<a><b/></a >";
             return text + "</JOBFile>";
         }(), kWalked},
    });
}

}  // namespace
