// File text to wide text, by the encoding the declaration names.
#include "file_cases.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using Support::ExpectFiles;

// A station's name as the host receives it: the file's bytes decoded by the reader, under
// the code page that `declaration` selects (none: UTF-8). The names here need no escape
// in JSON, so the trace shows them as they are.
std::string Decode(const std::string& bytes, const std::string& declaration = "") {
    const std::vector<std::string> calls = Support::FileCalls(
        declaration + "<JOBFile><FieldBook><StationRecord><StationName>" + bytes +
        "</StationName></StationRecord></FieldBook><Reductions/></JOBFile>");
    const std::string opening = R"({"op":"AddStation","arg":")", closing = R"("})";
    for (const std::string& call : calls)
        if (call.compare(0, opening.size(), opening) == 0)
            return call.substr(opening.size(), call.size() - opening.size() - closing.size());
    return "(no station)";
}

const std::string kAnsi = "<?xml version='1.0' encoding='windows-1251'?>";

const std::string kFFFD = "\xEF\xBF\xBD";

TEST(Decoding, Utf8) {
    EXPECT_EQ(Decode("Point 1"), "Point 1");
    EXPECT_EQ(Decode("\xD0\x90\xE2\x82\xAC\xF0\x9F\x98\x80"), "\xD0\x90\xE2\x82\xAC\xF0\x9F\x98\x80");
    const std::string longText(300, 'x');  // beyond the inline buffer
    EXPECT_EQ(Decode(longText), longText);
    const std::string longCyrillic = [] {
        std::string text;
        for (int i = 0; i < 200; ++i) text += "\xD0\xAF";
        return text;
    }();
    EXPECT_EQ(Decode(longCyrillic), longCyrillic);
}

TEST(Decoding, MalformedUtf8BecomesReplacementCharacters) {
    const struct {
        const char* bytes;
        std::string text;
    } cases[] = {
        {"A\x80" "B", "A" + kFFFD + "B"},                  // a lone continuation byte
        {"\xFF\xFE" "A", kFFFD + kFFFD + "A"},             // bytes that never start a sequence
        {"\xC0\xAF" "A", kFFFD + kFFFD + "A"},             // an overlong '/'
        {"\xE2\x82" "A", kFFFD + "A"},                     // a sequence cut short
        {"\xC3" "(A", kFFFD + "(A"},
        {"caf\xE9", "caf" + kFFFD},                        // ISO-8859-1 text at the end of a value
        {"\xE9t\xE9 ok", kFFFD + "t" + kFFFD + " ok"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(Decode(c.bytes), c.text);
    }
}

#ifndef _WIN32
// On Windows the system decides these; elsewhere every maximal ill-formed subpart gives
// one replacement character.
TEST(Decoding, SurrogatesOverlongAndOutOfRangeSequences) {
    EXPECT_EQ(Decode("\xED\xA0\x80" "A"), kFFFD + kFFFD + kFFFD + "A");
    EXPECT_EQ(Decode("\xE0\x80\xAF" "A"), kFFFD + kFFFD + kFFFD + "A");
    EXPECT_EQ(Decode("\xF4\x90\x80\x80" "A"), kFFFD + kFFFD + kFFFD + kFFFD + "A");
    EXPECT_EQ(Decode("\xF0\x9F\x98"), kFFFD);
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

TEST_F(AnsiCodePage, Windows1251) {
    EXPECT_EQ(Decode("\xC0\xFF\xA8\xB8\xB9 A", kAnsi), "АяЁё№ A");
}

#ifdef _WIN32
TEST(Decoding, TheThreadsOwnAnsiCodePage) {
    const LCID saved = ::GetThreadLocale();
    ::SetThreadLocale(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT));
    EXPECT_EQ(Decode("\xC0", kAnsi), "\xC3\x80");  // U+00C0 under windows-1252
    ::SetThreadLocale(saved);
}
#endif

std::string Declared(const std::string& declaration, const std::string& name) {
    return declaration + "<JOBFile><FieldBook><StationRecord><StationName>" + name +
           "</StationName></StationRecord></FieldBook><Reductions/></JOBFile>";
}

std::string Station(const std::string& name) {
    return R"(
        {"op":"SetProgress","arg":50}
        {"op":"AddStation","arg":")" + name + R"("}
        {"op":"SetProgress","arg":100}
    )";
}

TEST_F(AnsiCodePage, DeclaredEncodings) {
    ExpectFiles({
        {"windows-1251", Declared("<?xml version='1.0' encoding='windows-1251'?>", "\xC0"), Station("А")},
        {"any mention of 1251", Declared("<?xml version='1.0' encoding='cp1251'?>", "\xC0"), Station("А")},
        {"1252 too selects the thread's code page", Declared("<?xml encoding=\"Windows-1252\"?>", "\xC0"), Station("А")},
        {"UTF-8", Declared("<?xml version='1.0' encoding='UTF-8'?>", "\xD0\x90"), Station("А")},
        {"no declaration: UTF-8", Declared("", "\xD0\x90"), Station("А")},
        {"a declaration without encoding: UTF-8", Declared("<?xml version='1.0'?>", "\xD0\x90"), Station("А")},
        {"ISO-8859-1 decodes as UTF-8", Declared("<?xml version='1.0' encoding='ISO-8859-1'?>", "Caf\xE9"),
         Station("Caf\xEF\xBF\xBD")},
        {"KOI8-R decodes as UTF-8", Declared("<?xml version='1.0' encoding='KOI8-R'?>", "\xE1\xE2x"),
         Station("\xEF\xBF\xBD\xEF\xBF\xBDx")},
        {"'Encoding' with a capital E is not the encoding",
         Declared("<?xml version='1.0' Encoding='windows-1251'?>", "\xD0\x90"), Station("А")},
        {"only the first declaration counts",
         Declared("<?xml version='1.0' encoding='UTF-8'?><?xml version='1.0' encoding='windows-1251'?>", "\xD0\x90"),
         Station("А")},
        {"the first encoding attribute counts",
         Declared("<?xml version='1.0' encoding='windows-1251' encoding='UTF-8'?>", "\xC0"), Station("А")},
        {"a reference is written as UTF-8 and decodes so only under UTF-8",
         Declared("<?xml version='1.0' encoding='windows-1251'?>", "&#1040;"), Station("Рђ")},
        {"a reference under UTF-8", Declared("<?xml version='1.0' encoding='UTF-8'?>", "&#1040;"), Station("А")},
        {"the encoding's own text is read as UTF-8",
         Declared("<?xml version='1.0' encoding='\xD0\x90-1251'?>", "\xC0"), Station("А")},
    });
}

}  // namespace
