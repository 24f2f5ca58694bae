// The plug-in against the reference library: the same reader in its plainest form, which
// parses every file whole into RapidXML's tree where the plug-in parses a well-formed one
// a record at a time. Whatever the input, the host must be given exactly the same calls by
// both. Every import the other tests make is compared the same way
// (Support::ExpectTraces); here are the shipped examples, the fuzz corpus, documents made
// to tell the two apart, every prefix of a rich document, and documents put together at
// random.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support.h"

namespace {

// The step every table of the other suites takes for each case: both libraries import the
// bytes with these settings and must give the host the same calls. The plug-in's calls.
Support::Trace ExpectSameCalls(const std::string& bytes, const Support::Settings& settings, const std::string& what) {
    SCOPED_TRACE(what);
    const std::vector<std::string> paths = Support::Input(bytes).Paths();
    const Support::Trace calls = Support::Import(Support::Library::Plugin, paths, settings);
    Support::ExpectTheReferenceAgrees(calls, paths, settings);
    return calls;
}

// The three settings from the bits of one number, as the fuzz corpus stores them.
Support::Settings SettingsFromBits(unsigned bits) {
    Support::Settings settings;
    settings.prismConstant = (bits & 1) != 0;
    settings.fieldBook = (bits & 2) != 0;
    settings.reductions = (bits & 4) != 0;
    return settings;
}

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Whether the import handed the host an item: a case that only ever reaches the format
// error would not tell the two readers apart.
bool HandsOverItems(const Support::Trace& calls) {
    return std::any_of(calls.begin(), calls.end(),
                       [](const std::string& line) { return line.find(R"("op":"Add)") != std::string::npos; });
}

TEST(Differential, ExamplesUnderEverySetting) {
    const auto examples = FilesIn(std::filesystem::u8path(JXL_SOURCE_DIR) / "examples");
    ASSERT_FALSE(examples.empty());
    for (const auto& example : examples) {
        const std::string bytes = Support::ReadFile(example.u8string());
        for (unsigned bits = 0; bits < 8; ++bits)
            ExpectSameCalls(bytes, SettingsFromBits(bits), example.filename().u8string() + " settings " +
                                                              std::to_string(bits));
    }
}

// A corpus input is one byte of settings and then the file, as the fuzz target reads it.
TEST(Differential, FuzzCorpus) {
    const auto inputs = FilesIn(std::filesystem::u8path(JXL_SOURCE_DIR) / "fuzz" / "corpus");
    if (inputs.empty()) GTEST_SKIP() << "no fuzz corpus";
    for (const auto& input : inputs) {
        const std::string bytes = Support::ReadFile(input.u8string());
        if (bytes.empty()) continue;
        ExpectSameCalls(bytes.substr(1), SettingsFromBits(static_cast<unsigned char>(bytes[0])),
                        input.filename().u8string());
    }
}

// Text and CDATA among records, among the children of a record, of Features and of
// Feature, and as the only content of a value: what a record parsed on its own sees of
// them must be what the whole tree holds.
TEST(Differential, TextAndCdataAmongRecords) {
    const std::vector<std::string> fieldBooks = {
        "text before<PointRecord><Name>P1</Name></PointRecord>text between<![CDATA[cdata]]>"
        "<StationRecord><StationName>S1</StationName></StationRecord>text after",
        "<PointRecord>lead<Name>P1</Name>mid<![CDATA[<Name>P2</Name>]]><Code>C</Code>tail</PointRecord>",
        "<PointRecord><Name><![CDATA[P1]]></Name></PointRecord>"
        "<PointRecord><Name>P2</Name><Code><![CDATA[C]]>after</Code></PointRecord>",
        "<PointRecord><Name>P1<![CDATA[x]]>more</Name><Code>a<b/>c</Code></PointRecord>",
        "<PointRecord><Name>P1</Name><Code>TREE</Code><Features>t<![CDATA[c]]><Feature>u<Attribute>v<Name>h"
        "</Name>w<Value>1</Value>x</Attribute><![CDATA[<Attribute><Name>k</Name><Value>2</Value></Attribute>]]>"
        "</Feature>y</Features></PointRecord>",
        "<PointRecord><Name>P1</Name><Circle>c<![CDATA[d]]><HorizontalCircle>1<![CDATA[2]]></HorizontalCircle>"
        "<Face>Face<![CDATA[1]]></Face></Circle></PointRecord>",
        "<TargetRecord ID='t'>x<PrismConstant><![CDATA[1]]>0.5</PrismConstant></TargetRecord>"
        "<PointRecord><Name>P</Name><TargetID>t</TargetID><Circle><EDMDistance>10</EDMDistance></Circle>"
        "</PointRecord>",
        "<AtmosphereRecord ID='a'><Pressure>&#49;000</Pressure><Temperature>&lt;</Temperature></AtmosphereRecord>"
        "<StationRecord><StationName>S&amp;1</StationName><AtmosphereID>a</AtmosphereID></StationRecord>",
        "<BackBearingRecord><!-- c --><BackSight>B<!-- inside -->1</BackSight><?pi x?>"
        "<Face2HorizontalCircle>2</Face2HorizontalCircle></BackBearingRecord>",
        "<![CDATA[]]><PointRecord><Name>   </Name></PointRecord><PointRecord><Name> P </Name></PointRecord>",
    };
    for (const std::string& records : fieldBooks) {
        for (unsigned bits = 0; bits < 8; ++bits) {
            const Support::Trace calls = ExpectSameCalls(Support::FieldBook(records), SettingsFromBits(bits), records);
            if (bits == 7) {
                EXPECT_TRUE(HandsOverItems(calls)) << records;
            }
        }
    }
    const std::vector<std::string> reductions = {
        "x<Point><Name>R1</Name></Point>y<![CDATA[<Point><Name>R2</Name></Point>]]>z<Point>a<Name>R3</Name>b"
        "<Grid>c<North>1</North>d</Grid>e</Point>",
        "<Point><Name>R1</Name><Features>f<Feature>g<Attribute><Name>n</Name><Value>v</Value></Attribute>"
        "</Feature></Features><Code><![CDATA[C]]>D</Code></Point>",
    };
    for (const std::string& points : reductions)
        EXPECT_TRUE(HandsOverItems(ExpectSameCalls(Support::Reductions(points), {}, points))) << points;
}

// What the screen looks at: depth, character references, every kind of markup, long runs,
// and texts that end at the very end of the file.
TEST(Differential, WhatTheScreenLooksAt) {
    auto nested = [](int depth, const std::string& inner) {
        std::string open, close;
        for (int i = 0; i < depth; ++i) open += "<n>", close += "</n>";
        return "<JOBFile><FieldBook>" + open + inner + close +
               "<PointRecord><Name>P1</Name></PointRecord></FieldBook></JOBFile>";
    };
    const std::string spaces(40, ' '), tabs = "\t\r\n\t\r\n\t\r\n\t\r\n\t\r\n\t\r\n";
    const std::string longName(70, 'N');
    std::vector<std::string> documents = {
        nested(252, "x"), nested(253, "x"), nested(254, "<e/>"), nested(254, "<e>t</e>"), nested(255, "<e/>"),
        nested(300, ""),
        Support::FieldBook("<PointRecord><Name>&#1114111;</Name></PointRecord>"),
        Support::FieldBook("<PointRecord><Name>&#1114112;</Name></PointRecord>"),
        Support::FieldBook("<PointRecord><Name>&#x10FFFF;&#x110000;</Name></PointRecord>"),
        Support::FieldBook("<PointRecord><Name>&#4294967361;</Name></PointRecord>"),
        Support::FieldBook("<PointRecord><Name>&#18446744073709551681;</Name></PointRecord>"),
        Support::FieldBook("<PointRecord><Name>&#x100000041;</Name></PointRecord>"),
        Support::FieldBook("<PointRecord><Name>&#65</Name></PointRecord>"),
        Support::FieldBook("<PointRecord><Name>&#6a;&#xG;&# ;&amp;&unknown;&</Name></PointRecord>"),
        Support::FieldBook("<TargetRecord ID='&#1114112;'><TargetHeight>1</TargetHeight></TargetRecord>"),
        Support::FieldBook("<TargetRecord ID=\"a&#65;b\" X='&#x41'><TargetHeight>1</TargetHeight></TargetRecord>"),
        Support::FieldBook("<PointRecord" + spaces + "ID" + spaces + "=" + spaces + "'1'" + tabs + "><Name" + tabs +
                           ">P1" + spaces + "</Name" + spaces + "></PointRecord" + tabs + ">"),
        Support::FieldBook("<" + longName + ">" + spaces + spaces + "</" + longName + "><PointRecord><Name>" +
                           longName + "</Name></PointRecord>"),
        Support::FieldBook("<PointRecord><Name>P1</Name></PointRecord  x><PointRecord><Name>P2</Name></PointRecord>"),
        Support::FieldBook("<PointRecord/><PointRecord / ><PointRecord a='1'/><x a=1/>"),
        Support::FieldBook("<!-- a -- b --><!----><!---x--><?x?><?xml-stylesheet a?><!ELEMENT x><!>"),
        Support::FieldBook("<!-- unterminated"),
        Support::FieldBook("<![CDATA[ unterminated"),
        Support::FieldBook("<?pi unterminated"),
        Support::FieldBook("<! unterminated"),
        "<!DOCTYPE JOBFile [<!ELEMENT a (b)><!ATTLIST a [x]>]>" + Support::FieldBook("<PointRecord><Name>P1</Name>"
                                                                                     "</PointRecord>"),
        "<!DOCTYPE JOBFile [ [ ] unterminated",
        "\xEF\xBB\xBF" + Support::FieldBook("<PointRecord><Name>P1</Name></PointRecord>"),
        "\xEF\xBB" + Support::FieldBook(""),
        "<?xml version='1.0' encoding='windows-1251'?><JOBFile><FieldBook><PointRecord><Name>\xC0\xE1</Name>"
        "</PointRecord></FieldBook></JOBFile>",
        "<?XML version='1.0'?><JOBFile/>", "<?xml\tencoding='x'?><JOBFile/>", "<?xml encoding='x' ?><JOBFile/>",
        "<?xml encoding='x'><JOBFile/>", "<?xml encoding=x?><JOBFile/>", "<?xmlx?><JOBFile/>",
        "<JOBFile><FieldBook><PointRecord><Name>P1</Name></PointRecord></FieldBook></JOBFile>trailing",
        "<JOBFile></JOBFile><JOBFile><FieldBook/></JOBFile>", "  \n\t", "", "<", "<>", "</JOBFile>", "<JOBFile",
        "<JOBFile><FieldBook><PointRecord><Name>P1</Name></PointRecord></FieldBook>text at the end",
        "<JOBFile><FieldBook><PointRecord><Name>P1",
        std::string("<JOBFile><FieldBook><PointRecord><Name>P1") + '\0' + "</Name></PointRecord></FieldBook>",
        std::string("<JOBFile>") + '\0' + "<FieldBook/></JOBFile>",
        // Closing tags in every shape that is almost "<Name>text</Name>".
        Support::FieldBook("<PointRecord><Name>P1</Name/></PointRecord>"),
        Support::FieldBook("<PointRecord><Name>P1</Name?></PointRecord>"),
        Support::FieldBook("<PointRecord><Name>P1</Name ></PointRecord><PointRecord><Name>P2</Namex></PointRecord>"),
        Support::FieldBook("<PointRecord><Name>P1</Nam></PointRecord><PointRecord><Name>P2</></PointRecord>"),
        Support::FieldBook("<PointRecord><Name> \n\t </Name><Code></Code><Deleted>true</Deleted></PointRecord>"),
        Support::FieldBook("<PointRecord><Name>P&amp;1</Name><Code>&#65;</Code></PointRecord>"),
        Support::FieldBook("<PointRecord><Name>P1<b/>2</Name></PointRecord>"),
        Support::FieldBook("<PointRecord><Name>P1</Name></PointRecord><PointRecord><Name>P2</Name"),
        Support::FieldBook(std::string("<PointRecord><Name>P1</Name") + '\0' + "></PointRecord>"),
    };
    for (const std::string& document : documents)
        for (unsigned bits : {7u, 2u}) ExpectSameCalls(document, SettingsFromBits(bits), document.substr(0, 200));
}

// Every prefix of a document that holds every kind of record and markup: each cut ends
// the text in another place of the lexer.
TEST(Differential, EveryPrefixOfARichDocument) {
    const std::string document =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE j [<!ENTITY e \"x\">]>\n"
        "<!-- job -->\n<JOBFile a='1'>\n <FieldBook>\n"
        "  <AtmosphereRecord ID=\"a1\"><Pressure>1013</Pressure><Temperature>18</Temperature></AtmosphereRecord>\n"
        "  <StationRecord><StationName>S1</StationName><TheodoliteHeight>1.5</TheodoliteHeight>"
        "<AtmosphereID>a1</AtmosphereID></StationRecord>\n"
        "  <TargetRecord ID='t1'><PrismConstant>-0.03</PrismConstant><TargetHeight>1.8</TargetHeight></TargetRecord>\n"
        "  <BackBearingRecord><BackSight>B&#49;</BackSight><Face1HorizontalCircle>0</Face1HorizontalCircle>"
        "</BackBearingRecord>\n"
        "  <PointRecord><Name>P1</Name><TargetID>t1</TargetID><Circle><HorizontalCircle>1</HorizontalCircle>"
        "<VerticalCircle>2</VerticalCircle><EDMDistance>3</EDMDistance><Face>Face2</Face></Circle>"
        "<Features><Feature><Attribute><Name>h</Name><Value>&lt;1&gt;</Value></Attribute></Feature></Features>"
        "<Code><![CDATA[x]]>TREE</Code><?pi?></PointRecord>\n"
        "  <PointRecord><Name>K1</Name><SurveyMethod>KeyedIn</SurveyMethod><Grid><North>1</North>"
        "<East>2</East><Elevation>3</Elevation></Grid></PointRecord>\n"
        " </FieldBook>\n <Reductions><Point><Name>R1</Name><Code>C</Code><Grid><North>4</North></Grid></Point>"
        "</Reductions>\n</JOBFile>\n";
    for (std::size_t length = 0; length <= document.size(); ++length) {
        const Support::Trace calls = ExpectSameCalls(document.substr(0, length), {}, "the first " + std::to_string(length) + " bytes");
        if (length == document.size()) {
            EXPECT_TRUE(HandsOverItems(calls));
        }
    }
}

// Documents grown at random from JobXML's names and values, with text, CDATA, comments,
// references and now and then a piece of broken markup among them (a fixed seed, so that
// every run and both builds see the same ones).
class CRandomDocument {
public:
    std::string Make() {
        std::string body = Content(0);
        if (Next(3) == 0) body += "</FieldBook><Reductions>" + Content(0);
        return Next(5) == 0 ? body : Support::FieldBook(body);
    }
    unsigned Settings() { return static_cast<unsigned>(Next(8)); }

private:
    std::size_t Next(std::size_t n) {
        m_state ^= m_state >> 12, m_state ^= m_state << 25, m_state ^= m_state >> 27;
        return static_cast<std::size_t>((m_state * 0x2545F4914F6CDD1Dull) >> 33) % n;
    }
    template <std::size_t N>
    const char* Pick(const char* const (&items)[N]) {
        return items[Next(N)];
    }

    std::string Content(int depth) {
        static const char* const records[] = {"PointRecord", "PointRecord", "StationRecord", "TargetRecord",
                                              "AtmosphereRecord", "BackBearingRecord", "Point", "Other"};
        // Mostly the child that gives the record its name.
        static const char* const firsts[] = {"<Name>P1</Name>", "<Name>P1</Name>", "<StationName>S1</StationName>",
                                             "", "", "<BackSight>B1</BackSight>", "<Name>R1</Name>", ""};
        static const char* const names[] = {
            "Name", "Code", "Circle", "HorizontalCircle", "VerticalCircle", "EDMDistance", "Face", "TargetID",
            "TargetHeight", "PrismConstant", "Pressure", "Temperature", "StationName", "TheodoliteHeight",
            "AtmosphereID", "BackSight", "Face1HorizontalCircle", "Face2HorizontalCircle", "Grid", "ComputedGrid",
            "North", "East", "Elevation", "Features", "Feature", "Attribute", "Value", "SurveyMethod", "Deleted",
            "Other", "name"};
        static const char* const attributes[] = {"", "", "", " ID='t1'", " ID=\"a\"", " ID='P1'", " x='&#65;'",
                                                 " ID=''"};
        static const char* const texts[] = {
            "P1", "P2", "t1", "a", "1.5", "-0.03", " 2 ", "KeyedIn", "true", "Face1", "Face2", "TREE", "",
            "\n    ", "text", "&amp;", "&#65;", "&#x20AC;", "&lt;x&gt;", "\xC0\xE1", "\xE2\x82\xAC", "\xFF",
            "<![CDATA[c]]>", "<![CDATA[<Name>Q</Name>]]>", "<![CDATA[]]>", "<!-- c -->", "<?p i?>"};
        static const char* const noise[] = {"<", ">", "&", "&#1114112;", "&#4294967361;", "</x>", "<x", "]]>",
                                            "'", "=", "<!x>", "<?", "&#"};
        std::string out;
        const std::size_t count = Next(depth == 0 ? 12 : 5);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t kind = Next(20);
            if (kind < 10) {
                const std::size_t record = Next(sizeof records / sizeof records[0]);
                const std::string name = depth == 0 ? records[record] : Pick(names);
                out += "<" + name + Pick(attributes) + ">";
                if (depth == 0 && Next(4) != 0) out += firsts[record];
                out += depth < 4 && Next(2) == 0 ? Content(depth + 1) : std::string(Pick(texts));
                out += "</" + name + ">";
            } else if (kind < 17) {
                out += Pick(texts);
            } else if (kind < 19) {
                out += std::string("<") + Pick(names) + "/>";
            } else if (Next(3) == 0) {
                out += Pick(noise);
            }
        }
        return out;
    }

    std::uint64_t m_state = 0x9E3779B97F4A7C15ull;
};

TEST(Differential, DocumentsGrownAtRandom) {
    CRandomDocument random;
    int telling = 0;
    for (int round = 0; round < 300; ++round) {
        const std::string document = random.Make();
        const Support::Settings settings = SettingsFromBits(random.Settings());
        if (HandsOverItems(ExpectSameCalls(document, settings, document))) ++telling;
    }
    EXPECT_GT(telling, 30) << "too few of the random documents hand over an item";
}

}  // namespace
