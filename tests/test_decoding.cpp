// File text to wide text, by the encoding the declaration names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using Support::Call;
using Support::ExpectTraces;
using Support::Slice;

// A job whose one station has this name, in the file's own bytes, after `declaration`
// (none: UTF-8).
std::string Named(const std::string& bytes, const std::string& declaration = "") {
    return declaration + "<JOBFile><FieldBook><StationRecord><StationName>" + bytes +
           "</StationName></StationRecord></FieldBook><Reductions/></JOBFile>";
}

// The station as the host receives it, its name in UTF-8.
Support::Trace Station(const std::string& name) { return {Call("AddStation", name)}; }

const std::string kAnsi = "<?xml version='1.0' encoding='windows-1251'?>";

const std::string kFFFD = "\xEF\xBF\xBD";

TEST(Decoding, Utf8) {
    const std::string longText(300, 'x');  // beyond the inline buffer
    std::string longCyrillic;
    for (int i = 0; i < 200; ++i) longCyrillic += "\xD0\xAF";
    ExpectTraces(Slice::Walk, {
        {"ASCII", Named("Point 1"), Station("Point 1")},
        {"two, three and four bytes", Named("\xD0\x90\xE2\x82\xAC\xF0\x9F\x98\x80"),
         Station("\xD0\x90\xE2\x82\xAC\xF0\x9F\x98\x80")},
        {"300 characters", Named(longText), Station(longText)},
        {"200 Cyrillic letters", Named(longCyrillic), Station(longCyrillic)},
    });
}

// ASCII is widened as it is, up to the length the decoded text holds inline: every length
// around that, with the first other letter at the start, the middle and the end.
TEST(Decoding, AsciiOfEveryLengthAndTheFirstOtherLetterAnywhere) {
    std::vector<Support::TraceCase> cases;
    for (std::size_t length = 1; length <= 140; ++length) {
        const std::string letters = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        std::string ascii;
        for (std::size_t i = 0; i < length; ++i) ascii += letters[(i * 7) % letters.size()];
        cases.push_back({"ASCII of " + std::to_string(length), Named(ascii), Station(ascii)});
        for (const std::size_t at : {std::size_t{0}, std::size_t{15}, std::size_t{16}, std::size_t{17}, length - 1}) {
            if (at >= length) continue;
            const std::string mixed = ascii.substr(0, at) + "\xD0\xAF" + ascii.substr(at);
            cases.push_back({"Я at " + std::to_string(at) + " of " + std::to_string(length), Named(mixed), Station(mixed)});
        }
    }
    ExpectTraces(Slice::Walk, cases);
}

TEST(Decoding, MalformedUtf8BecomesReplacementCharacters) {
    ExpectTraces(Slice::Walk, {
        {"a lone continuation byte", Named("A\x80" "B"), Station("A" + kFFFD + "B")},
        {"bytes that never start a sequence", Named("\xFF\xFE" "A"), Station(kFFFD + kFFFD + "A")},
        {"an overlong '/'", Named("\xC0\xAF" "A"), Station(kFFFD + kFFFD + "A")},
        {"a sequence cut short", Named("\xE2\x82" "A"), Station(kFFFD + "A")},
        {"a lead byte before an ASCII character", Named("\xC3" "(A"), Station(kFFFD + "(A")},
        {"ISO-8859-1 text at the end of a value", Named("caf\xE9"), Station("caf" + kFFFD)},
        {"ISO-8859-1 text between ASCII", Named("\xE9t\xE9 ok"), Station(kFFFD + "t" + kFFFD + " ok")},
    });
}

#ifndef _WIN32
// On Windows the system decides these; elsewhere every maximal ill-formed subpart gives
// one replacement character.
TEST(Decoding, SurrogatesOverlongAndOutOfRangeSequences) {
    ExpectTraces(Slice::Walk, {
        {"an encoded surrogate", Named("\xED\xA0\x80" "A"), Station(kFFFD + kFFFD + kFFFD + "A")},
        {"an overlong '/' in three bytes", Named("\xE0\x80\xAF" "A"), Station(kFFFD + kFFFD + kFFFD + "A")},
        {"above U+10FFFF", Named("\xF4\x90\x80\x80" "A"), Station(kFFFD + kFFFD + kFFFD + kFFFD + "A")},
        {"four bytes cut short at the end", Named("\xF0\x9F\x98"), Station(kFFFD)},
    });
}
#endif

// The thread's ANSI code page: Russian where the test can choose it.
class AnsiCodePage : public ::testing::Test {
protected:
#ifdef _WIN32
    void SetUp() override {
        m_saved = ::GetThreadLocale();
        ::SetThreadLocale(MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), SORT_DEFAULT));
    }
    void TearDown() override { ::SetThreadLocale(m_saved); }
    LCID m_saved = 0;
#endif
};

#ifdef _WIN32
TEST(Decoding, TheThreadsOwnAnsiCodePage) {
    const LCID saved = ::GetThreadLocale();
    ::SetThreadLocale(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT));
    ExpectTraces(Slice::Walk, {{"U+00C0 under windows-1252", Named("\xC0", kAnsi), Station("\xC3\x80")}});
    ::SetThreadLocale(saved);
}
#endif

TEST_F(AnsiCodePage, DeclaredEncodings) {
    ExpectTraces(Slice::Walk, {
        {"windows-1251", Named("\xC0\xFF\xA8\xB8\xB9 A", kAnsi), Station("АяЁё№ A")},
        {"any mention of 1251", Named("\xC0", "<?xml version='1.0' encoding='cp1251'?>"), Station("А")},
        {"1252 too selects the thread's code page", Named("\xC0", "<?xml encoding=\"Windows-1252\"?>"), Station("А")},
        {"UTF-8", Named("\xD0\x90", "<?xml version='1.0' encoding='UTF-8'?>"), Station("А")},
        {"no declaration: UTF-8", Named("\xD0\x90"), Station("А")},
        {"a declaration without encoding: UTF-8", Named("\xD0\x90", "<?xml version='1.0'?>"), Station("А")},
        {"ISO-8859-1 decodes as UTF-8", Named("Caf\xE9", "<?xml version='1.0' encoding='ISO-8859-1'?>"),
         Station("Caf" + kFFFD)},
        {"KOI8-R decodes as UTF-8", Named("\xE1\xE2x", "<?xml version='1.0' encoding='KOI8-R'?>"),
         Station(kFFFD + kFFFD + "x")},
        {"'Encoding' with a capital E is not the encoding",
         Named("\xD0\x90", "<?xml version='1.0' Encoding='windows-1251'?>"), Station("А")},
        {"only the first declaration counts",
         Named("\xD0\x90", "<?xml version='1.0' encoding='UTF-8'?><?xml version='1.0' encoding='windows-1251'?>"),
         Station("А")},
        {"the first encoding attribute counts",
         Named("\xC0", "<?xml version='1.0' encoding='windows-1251' encoding='UTF-8'?>"), Station("А")},
        {"a reference is written as UTF-8 and decodes so only under UTF-8", Named("&#1040;", kAnsi), Station("Рђ")},
        {"a reference under UTF-8", Named("&#1040;", "<?xml version='1.0' encoding='UTF-8'?>"), Station("А")},
        {"the encoding's own text is read as UTF-8",
         Named("\xC0", "<?xml version='1.0' encoding='\xD0\x90-1251'?>"), Station("А")},
    });
}

}  // namespace
