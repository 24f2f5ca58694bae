// Files made to hurt: huge counts and sizes, every byte value where names and texts go,
// ill-formed UTF-8, references beyond Unicode, constructs left open. Each is imported
// without harm and gives the host exactly the trace below.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "support.h"

namespace {

using Support::Call;
using Support::FieldBook;
using Support::kMalformed;
using Support::Lines;
using Support::TraceCase;

const std::string kFFFD = "\xEF\xBF\xBD";

// Every case here compares its File slice; a run of U+FFFD compares as one, since how many
// an ill-formed UTF-8 sequence becomes is the system decoder's choice.
void ExpectHostile(const std::vector<TraceCase>& cases) {
    Support::ExpectTraces(Support::Slice::File, cases, Support::Compare::ReplacementRunsAsOne);
}

// Progress 50, the lines between, progress 100.
Support::Trace Walked(const Support::Trace& lines) {
    std::vector<std::string> all = {R"({"op":"SetProgress","arg":50})"};
    all.insert(all.end(), lines.begin(), lines.end());
    all.push_back(R"({"op":"SetProgress","arg":100})");
    return all;
}

std::string Station(const std::string& name) {
    return FieldBook("<StationRecord><StationName>" + name + "</StationName></StationRecord>");
}

std::string Repeated(const std::string& text, std::size_t count) {
    std::string all;
    all.reserve(text.size() * count);
    for (std::size_t i = 0; i < count; ++i) all += text;
    return all;
}

std::string Hex(unsigned byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

// ---- Counts and sizes ------------------------------------------------------------------

TEST(Hostile, HundredThousandAttributesOnOneElement) {
    std::string many;
    for (int i = 0; i < 100000; ++i) many += " a" + std::to_string(i) + "='" + std::to_string(i) + "'";
    std::string manyIds;
    for (int i = 0; i < 100000; ++i) manyIds += " ID='a" + std::to_string(i) + "'";
    ExpectHostile({
        {"the ID after 99,999 others",
         FieldBook("<TargetRecord" + many + " ID='t1'><TargetHeight>1.8</TargetHeight></TargetRecord>"
                   "<PointRecord><Name>P1</Name><TargetID>t1</TargetID><Circle/></PointRecord>"),
         Walked(Lines(R"(
             {"op":"Parse","parser":"linear","arg":"1.8","result":1.8}
             {"op":"AddObservation","arg":"P1"}
             {"op":"SetTargetHeight","arg":1.8}
         )"))},
        {"100,000 IDs: the first counts",
         FieldBook("<AtmosphereRecord" + manyIds + "><Pressure>900</Pressure></AtmosphereRecord>"
                   "<StationRecord><StationName>S1</StationName><AtmosphereID>a1</AtmosphereID></StationRecord>"
                   "<StationRecord><StationName>S2</StationName><AtmosphereID>a0</AtmosphereID></StationRecord>"),
         Walked(Lines(R"(
             {"op":"Parse","parser":"pressure","arg":"900","result":900}
             {"op":"AddStation","arg":"S1"}
             {"op":"AddStation","arg":"S2"}
             {"op":"SetPressure","arg":900}
         )"))},
        {"the encoding after 99,999 other attributes of the declaration",
         // 0xA9 is the copyright sign in windows-1251 and windows-1252 alike, and no UTF-8.
         "<?xml" + many + " encoding='windows-1251'?><JOBFile><FieldBook><StationRecord><StationName>\xA9"
                          "</StationName></StationRecord></FieldBook><Reductions/></JOBFile>",
         Walked({Call("AddStation", "\xC2\xA9")})},
        {"on the root",
         "<JOBFile" + many + "><FieldBook><StationRecord" + many +
             "><StationName>S1</StationName></StationRecord></FieldBook><Reductions/></JOBFile>",
         Walked({Call("AddStation", "S1")})},
    });
}

TEST(Hostile, FiftyMegabyteValue) {
    const std::string name = "S" + std::string(50u << 20, 'x') + "!";
    ExpectHostile({
        {"a station name of 50 MB", Station(name), Walked({Call("AddStation", name)})},
    });
}

// Records without a name are dropped; a million of them is no more than a long walk.
TEST(Hostile, MillionEmptyPointRecords) {
    ExpectHostile({
        {"10^6 empty point records", FieldBook(Repeated("<PointRecord/>", 1000000)), Walked({})},
        {"10^6 empty point records, then a named one",
         FieldBook(Repeated("<PointRecord></PointRecord>\n", 1000000) + "<PointRecord><Name>P</Name></PointRecord>"),
         Walked({Call("AddPoint", "P")})},
    });
}

// ---- Every byte value ------------------------------------------------------------------

// Bytes from 0x80 up are never UTF-8 on their own: each becomes U+FFFD.
std::string Decoded(unsigned byte) { return byte < 0x80 ? std::string(1, static_cast<char>(byte)) : kFFFD; }

TEST(Hostile, EveryByteInAValue) {
    std::vector<TraceCase> cases;
    for (unsigned byte = 0; byte < 256; ++byte) {
        // Enough text after the byte that no decoder takes it for a sequence cut short.
        const std::string text = std::string("A") + static_cast<char>(byte) + "BCD";
        // A zero ends the text inside the element; '<' opens an element that never closes.
        const bool malformed = byte == 0 || byte == '<';
        cases.push_back({"byte " + Hex(byte) + " in a station's name", Station(text),
                         malformed ? Lines(kMalformed) : Walked({Call("AddStation", "A" + Decoded(byte) + "BCD")})});
    }
    ExpectHostile(cases);
}

TEST(Hostile, EveryByteInAnAttributeValue) {
    std::vector<TraceCase> cases;
    for (unsigned byte = 0; byte < 256; ++byte) {
        // The station names the atmosphere by the character the byte stands for in
        // Latin-1, written as a reference: the same text only for ASCII.
        const std::string document = FieldBook(std::string("<AtmosphereRecord ID=\"A") + static_cast<char>(byte) +
                                               "B\"><Pressure>1</Pressure></AtmosphereRecord>"
                                               "<StationRecord><StationName>S1</StationName><AtmosphereID>A&#" +
                                               std::to_string(byte) + ";B</AtmosphereID></StationRecord>");
        // A zero ends the text; a double quote ends the value early.
        const bool malformed = byte == 0 || byte == '"';
        std::vector<std::string> walked = Lines(R"(
            {"op":"Parse","parser":"pressure","arg":"1","result":1}
            {"op":"AddStation","arg":"S1"}
        )");
        if (byte < 0x80) walked.push_back(R"({"op":"SetPressure","arg":1})");
        cases.push_back({"byte " + Hex(byte) + " in an atmosphere's ID", document,
                         malformed ? Lines(kMalformed) : Walked(walked)});
    }
    ExpectHostile(cases);
}

TEST(Hostile, EveryByteInAName) {
    std::vector<TraceCase> cases;
    for (unsigned byte = 0; byte < 256; ++byte) {
        const std::string name = std::string("X") + static_cast<char>(byte) + "Y";
        const std::string document = FieldBook("<StationRecord><StationName>S1</StationName><" + name + ">v</" + name +
                                               "><TheodoliteHeight>1</TheodoliteHeight></StationRecord>");
        // Blanks, '/' and '?' end a name where the markup cannot go on; so does a zero.
        const bool malformed = byte == 0 || byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r' ||
                               byte == '/' || byte == '?';
        cases.push_back({"byte " + Hex(byte) + " in an element's name", document,
                         malformed ? Lines(kMalformed) : Walked(Lines(R"(
                             {"op":"AddStation","arg":"S1"}
                             {"op":"Parse","parser":"linear","arg":"1","result":1}
                             {"op":"SetInstrumentHeight","arg":1}
                         )"))});
    }
    ExpectHostile(cases);
}

// ---- Ill-formed text -------------------------------------------------------------------

TEST(Hostile, IllFormedUtf8AndSurrogates) {
    const struct {
        const char* behaviour;
        std::string value;
        std::string name;
    } cases[] = {
        {"overlong '/' in two bytes", "A\xC0\xAF" "B", "A" + kFFFD + "B"},
        {"overlong '/' in three bytes", "A\xE0\x80\xAF" "B", "A" + kFFFD + "B"},
        {"overlong '/' in four bytes", "A\xF0\x80\x80\xAF" "B", "A" + kFFFD + "B"},
        {"overlong NUL", "A\xC0\x80" "B", "A" + kFFFD + "B"},
        {"a five-byte form", "A\xF8\x88\x80\x80\x80" "B", "A" + kFFFD + "B"},
        {"above U+10FFFF", "A\xF4\x90\x80\x80" "B", "A" + kFFFD + "B"},
        {"a lone continuation byte", "A\x80" "B", "A" + kFFFD + "B"},
        {"a sequence cut short by the next character", "A\xE2\x82" "B", "A" + kFFFD + "B"},
        {"a sequence cut short by the end of the value", "AB\xF0\x9F\x98", "AB" + kFFFD},
        {"the high surrogate U+D800 encoded", "A\xED\xA0\x80" "B", "A" + kFFFD + "B"},
        {"the low surrogate U+DFFF encoded", "A\xED\xBF\xBF" "B", "A" + kFFFD + "B"},
        {"a surrogate pair encoded as two characters", "A\xED\xA0\xBD\xED\xB8\x80" "B", "A" + kFFFD + "B"},
        {"a reference to a high surrogate", "A&#xD800;B", "A" + kFFFD + "B"},
        {"a reference to a low surrogate", "A&#57343;B", "A" + kFFFD + "B"},
        {"references to both halves of a pair", "A&#xD83D;&#xDE00;B", "A" + kFFFD + "B"},
        {"U+FFFE and U+FFFF", "A\xEF\xBF\xBE\xEF\xBF\xBF" "B", "A\xEF\xBF\xBE\xEF\xBF\xBF" "B"},
        {"a byte-order mark inside a value", "A\xEF\xBB\xBF" "B", "A\xEF\xBB\xBF" "B"},
        {"U+10FFFF by reference", "A&#x10FFFF;B", "A\xF4\x8F\xBF\xBF" "B"},
        {"only ill-formed bytes", "\xFF\xFE\xFD", kFFFD},
    };
    std::vector<TraceCase> files;
    for (const auto& c : cases) files.push_back({c.behaviour, Station(c.value), Walked({Call("AddStation", c.name)})});
    ExpectHostile(files);
}

TEST(Hostile, ReferencesBeyondUnicodeAndBroken) {
    ExpectHostile({
        {"U+110000 in hexadecimal", Station("A&#x110000;B"), Lines(kMalformed)},
        {"U+110000 in decimal", Station("A&#1114112;B"), Lines(kMalformed)},
        {"2^32 + 'A', which 32-bit arithmetic would wrap to 'A'", Station("&#4294967361;"), Lines(kMalformed)},
        {"2^64 + 'A' in hexadecimal", Station("&#x10000000000000041;"), Lines(kMalformed)},
        {"hundreds of digits", Station("&#" + std::string(300, '9') + ";"), Lines(kMalformed)},
        {"beyond Unicode in an attribute value",
         FieldBook("<TargetRecord ID='&#x110000;'><TargetHeight>1</TargetHeight></TargetRecord>"), Lines(kMalformed)},
        {"beyond Unicode in the declaration", "<?xml version='1.0' encoding='&#x7FFFFFFF;'?>" + Station("S"),
         Lines(kMalformed)},
        {"no semicolon", Station("A&#65B"), Lines(kMalformed)},
        {"leading zeros are no overflow", Station("A&#x0000000000000041;B"), Walked({Call("AddStation", "AAB")})},
    });
}

// ---- Constructs left open --------------------------------------------------------------

TEST(Hostile, UnterminatedConstructs) {
    const char* const prefix = "<JOBFile><FieldBook><StationRecord><StationName>S1</StationName></StationRecord>";
    const struct {
        const char* behaviour;
        std::string bytes;
    } cases[] = {
        {"a comment", std::string(prefix) + "<!-- never closed"},
        {"a comment closed with a space", std::string(prefix) + "<!-- -- >"},
        {"a comment after the root", std::string(prefix) + "</FieldBook></JOBFile><!--"},
        {"CDATA", std::string(prefix) + "<![CDATA[ never closed ]]"},
        {"the XML declaration", "<?xml version='1.0' encoding='UTF-8'"},
        {"a value in the XML declaration", "<?xml version='1.0' encoding='UTF-8?>" + std::string(prefix)},
        {"a processing instruction", std::string(prefix) + "<?pi never closed"},
        {"the DOCTYPE", "<!DOCTYPE JOBFile"},
        {"the DOCTYPE's internal subset", "<!DOCTYPE JOBFile [ <!ENTITY e 'x'> " + std::string(prefix)},
        {"another declaration", std::string(prefix) + "<!ELEMENT x"},
        {"an attribute value", "<JOBFile a='never closed><FieldBook/></JOBFile>"},
        {"a start tag", std::string(prefix) + "<StationRecord"},
        {"an end tag", std::string(prefix) + "</FieldBook"},
        {"the root", prefix},
        {"a character reference", std::string(prefix) + "<x>&#x41"},
    };
    std::vector<TraceCase> files;
    for (const auto& c : cases) files.push_back({c.behaviour, c.bytes, Lines(kMalformed)});
    ExpectHostile(files);
}

TEST(Hostile, ByteOrderMarks) {
    const std::vector<std::string> noRoot = Lines(R"(
        {"op":"SetProgress","arg":50}
        {"op":"SetResult","arg":-1}
        {"op":"ShowMessage","arg":"Ошибка в формате файла"}
        {"op":"SetProgress","arg":100}
    )");
    ExpectHostile({
        {"only a byte-order mark: an empty document", "\xEF\xBB\xBF", noRoot},
        {"a byte-order mark and blanks", "\xEF\xBB\xBF \r\n\t", noRoot},
        {"two thirds of a byte-order mark", "\xEF\xBB", Lines(kMalformed)},
        {"two byte-order marks", "\xEF\xBB\xBF\xEF\xBB\xBF", Lines(kMalformed)},
        {"a UTF-16 byte-order mark", std::string("\xFF\xFE<\0J\0", 6), Lines(kMalformed)},
        {"a byte-order mark before a job", "\xEF\xBB\xBF" + Station("S1"), Walked({Call("AddStation", "S1")})},
    });
}

// ---- Paths that name no file ------------------------------------------------------------

// Nothing a path names may hang the host or be read without end: a device reads as the
// empty file it seeks to; a pipe, a folder, a file whose end cannot be sought and a path
// longer than any system allows cannot be opened as a file.
TEST(Hostile, PathsThatNameNoFile) {
    const std::string tooLong = Support::ScratchPath(std::string(40000, 'x') + ".jxl");
#ifdef _WIN32
    const std::vector<std::string> empty = {"NUL"};
    const std::vector<std::string> unopened = {R"(\\.\pipe\jxl-no-such-pipe)", tooLong};
#else
    const std::string fifo = Support::ScratchPath("fifo.jxl");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::string> empty = {"/dev/zero", "/dev/null"};
    // /proc/self/status has no end that can be sought, whatever size its status gives.
    const std::vector<std::string> unopened = {fifo, "/proc/self", "/proc/self/status", tooLong};
#endif
    std::vector<std::string> paths;
    Support::Trace expected;
    for (const std::string& path : empty) {
        paths.push_back(path);
        expected = Support::Joined({expected, Support::Framed(Support::Slice::Walk, path, Lines(R"(
            {"op":"SetResult","arg":-1}
            {"op":"ShowMessage","arg":"Ошибка в формате файла"}
        )"))});
    }
    for (const std::string& path : unopened) {
        paths.push_back(path);
        expected.push_back(Call("BeginFile", path));
        expected.push_back(Call("ShowMessage", "Не удается открыть файл"));
    }
    Support::ExpectTraces(Support::Slice::Whole, {{"every path in turn", Support::Input::Files(paths), expected}});
}

}  // namespace
