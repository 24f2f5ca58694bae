// jxl-import --format html: the page of each example as kept in the repository, the
// plan's marks counted from its SVG, texts that must stay text, and each file's outcome.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support.h"
#include "test_jxl_import_run.h"

namespace {

using ToolRun::JxlImport;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::size_t Occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

// The marks of one kind as drawn: the subpaths of the plan's path of that class, each
// checked against the count the path states.
std::size_t Marks(const std::string& page, const std::string& cssClass) {
    const std::string start = "<path class=\"" + cssClass + "\" data-marks=\"";
    const std::size_t at = page.find(start);
    if (at == std::string::npos) return 0;
    const std::size_t stated = std::stoul(page.substr(at + start.size()));
    const std::size_t d = page.find(" d=\"", at) + 4;
    const std::string path = page.substr(d, page.find('"', d) - d);
    EXPECT_EQ(Occurrences(path, "M"), stated) << cssClass;
    EXPECT_EQ(Occurrences(page, start), 1u) << cssClass;  // one path per kind
    return Occurrences(path, "M");
}

struct PageCase {
    std::string example;
    int status;
};

class ExamplePage : public testing::TestWithParam<PageCase> {};

TEST_P(ExamplePage, MatchesTheFileKeptInTheRepository) {
    const PageCase& c = GetParam();
    const ToolRun::Result run = JxlImport({"--format", "html", "examples/" + c.example + ".jxl"});
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.out, ToolRun::SourceFile("tests/expected/" + c.example + ".html"));
}

INSTANTIATE_TEST_SUITE_P(Examples, ExamplePage, testing::Values(PageCase{"typical", 0}, PageCase{"traverse", 0},
                                                                PageCase{"cyrillic-1251", 0}, PageCase{"malformed", 1}),
                         [](const testing::TestParamInfo<PageCase>& info) {
                             std::string name = info.param.example;
                             for (char& c : name) c = c == '-' ? '_' : c;
                             return name;
                         });

// Records of a field book, put together.
std::string Station(const std::string& name) { return "<StationRecord><StationName>" + name + "</StationName></StationRecord>"; }
std::string Backsight(const std::string& name) {
    return "<BackBearingRecord><BackSight>" + name + "</BackSight><Face1HorizontalCircle>0</Face1HorizontalCircle>"
           "</BackBearingRecord>";
}
std::string Shot(const std::string& name) {
    return "<PointRecord><Name>" + name + "</Name><Circle><HorizontalCircle>12</HorizontalCircle>"
           "<VerticalCircle>90</VerticalCircle><EDMDistance>25</EDMDistance><Face>Face1</Face></Circle></PointRecord>";
}
std::string Point(const std::string& name, const std::string& grid, bool keyedIn = false) {
    return "<PointRecord><Name>" + name + "</Name>" + (keyedIn ? "<SurveyMethod>KeyedIn</SurveyMethod>" : "") + "<Grid>" +
           grid + "</Grid></PointRecord>";
}
const std::string kNE = "<North>100</North><East>200</East>";
const std::string kNE2 = "<North>150</North><East>260</East>";
const std::string kNE3 = "<North>90</North><East>310</East>";

struct PlanCase {
    const char* behaviour;
    std::string document;
    std::size_t points, keyedIn, stations, rays, backsightRays;
};

class PlanMarks : public testing::TestWithParam<PlanCase> {};

TEST_P(PlanMarks, AreOnePerPointStationAndObservationWithCoordinates) {
    const PlanCase& c = GetParam();
    const ToolRun::Result run = JxlImport({"--format", "html", Support::WriteScratchFile("plan.jxl", c.document)});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Marks(run.out, "points") + Marks(run.out, "keyed-in"), c.points);
    EXPECT_EQ(Marks(run.out, "keyed-in"), c.keyedIn);
    EXPECT_EQ(Marks(run.out, "stations"), c.stations);
    EXPECT_EQ(Marks(run.out, "rays") + Marks(run.out, "rays backsight"), c.rays);
    EXPECT_EQ(Marks(run.out, "rays backsight"), c.backsightRays);
    EXPECT_EQ(Occurrences(run.out, "<svg class=\"plan"), c.points ? 1u : 0u);
    EXPECT_EQ(Contains(run.out, "nothing to draw"), c.points == 0);
}

INSTANTIATE_TEST_SUITE_P(Files, PlanMarks, testing::Values(
    PlanCase{"no coordinates: no plan", Support::FieldBook(Station("A") + Shot("B") + Point("B", "<Elevation>3</Elevation>")),
             0, 0, 0, 0, 0},
    PlanCase{"a point with north only is not drawn", Support::FieldBook(Point("A", kNE) + Point("B", "<North>1</North>")),
             1, 0, 0, 0, 0},
    PlanCase{"a station on a keyed-in point, a shot to a point known later",
             Support::FieldBook(Point("A", kNE, true) + Station("A") + Shot("B") + Point("B", kNE2)), 2, 1, 1, 1, 0},
    PlanCase{"shots to a name without coordinates draw no ray",
             Support::FieldBook(Point("A", kNE) + Station("A") + Shot("C") + Shot("A")), 1, 0, 1, 1, 0},
    PlanCase{"a station without coordinates draws neither itself nor rays",
             Support::FieldBook(Point("B", kNE) + Station("D") + Shot("B") + Shot("B")), 1, 0, 0, 0, 0},
    PlanCase{"shots before any station draw no ray",
             Support::FieldBook(Point("A", kNE) + Point("B", kNE2) + Shot("B") + Station("A") + Shot("B")), 2, 0, 1, 1, 0},
    PlanCase{"the backsight reading and every shot from that set-up to its name are dashed",
             Support::FieldBook(Point("A", kNE, true) + Point("B", kNE2, true) + Point("F", kNE3) + Station("A") +
                                Backsight("B") + Shot("B") + Shot("B") + Shot("F")),
             3, 2, 1, 4, 3},
    PlanCase{"a backsight of one set-up is a foresight of the next",
             Support::FieldBook(Point("A", kNE) + Point("B", kNE2) + Station("A") + Backsight("B") + Shot("B") +
                                Station("B") + Shot("A")),
             2, 0, 2, 3, 2},
    PlanCase{"a circle with only a horizontal reading and a face reads as a backsight",
             Support::FieldBook(Point("A", kNE) + Point("B", kNE2) + Station("A") +
                                "<PointRecord><Name>B</Name><Circle><HorizontalCircle>7</HorizontalCircle><Face>Face2</Face>"
                                "</Circle></PointRecord>"),
             2, 0, 1, 1, 1},
    PlanCase{"a station set up twice is drawn twice, every point given twice too",
             Support::FieldBook(Point("A", kNE) + Point("A", kNE) + Station("A") + Station("A")), 2, 0, 2, 0, 0},
    PlanCase{"points all at one place make a plan", Support::FieldBook(Point("A", kNE) + Point("B", kNE)), 2, 0, 0, 0, 0},
    PlanCase{"points farther apart than the largest double make a plan",
             Support::FieldBook(Point("A", "<North>1e300</North><East>-1e300</East>") +
                                Point("B", "<North>-1.7e308</North><East>1.7e308</East>")),
             2, 0, 0, 0, 0},
    PlanCase{"points so far out that a grid step is below their precision make a plan",
             Support::FieldBook(Point("A", "<North>1e17</North><East>1e17</East>") +
                                Point("B", "<North>100000000000000016</North><East>100000000000000032</East>")),
             2, 0, 0, 0, 0},
    PlanCase{"reductions points are points with coordinates",
             Support::Reductions("<Point><Name>R1</Name><SurveyMethod>KeyedIn</SurveyMethod><Grid>" + kNE +
                                 "</Grid></Point><Point><Name>R2</Name><Grid>" + kNE2 + "</Grid></Point>"),
             2, 1, 0, 0, 0}));

TEST(JxlImportHtml, TheTraversePlanShowsBothSetUpsTheirRaysAndTheReductions) {
    const ToolRun::Result run = JxlImport({"--format", "html", "examples/traverse.jxl"});
    ASSERT_EQ(run.status, 0) << run.err;
    // Points: two keyed in twice (field book and reductions), 1003 and six reductions.
    EXPECT_EQ(Marks(run.out, "points") + Marks(run.out, "keyed-in"), 9u);
    EXPECT_EQ(Marks(run.out, "keyed-in"), 4u);
    EXPECT_EQ(Marks(run.out, "stations"), 2u);
    // CP1 to CP2 three times (reading and both faces), to T1 twice, to 1001 and 1002;
    // T1 to CP1 twice, to T2 twice.
    EXPECT_EQ(Marks(run.out, "rays"), 6u);
    EXPECT_EQ(Marks(run.out, "rays backsight"), 5u);
    for (const std::string name : {"CP1", "CP2", "T1", "T2", "1001", "1002", "1003"})
        EXPECT_TRUE(Contains(run.out, "\">" + name + "<tspan class=\"code\"")) << name;
}

TEST(JxlImportHtml, HostileNamesAndCodesStayText) {
    const std::string document = Support::FieldBook(
        "<PointRecord><Name>&lt;script&gt;alert(\"x\")&lt;/script&gt;</Name><Code>Tom &amp; Jerry's &lt;b&gt;</Code>"
        "<Grid>" + kNE + "</Grid></PointRecord>" + Station("&lt;script&gt;alert(\"x\")&lt;/script&gt;") +
        Shot("&quot;&amp;&quot;"));
    const ToolRun::Result run = JxlImport({"--format", "html", Support::WriteScratchFile("hostile.jxl", document)});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(Contains(run.out, "<script"));
    EXPECT_FALSE(Contains(run.out, "<b>"));
    EXPECT_FALSE(Contains(run.out, "Jerry's"));
    // In the tables, and in the plan's label cut to 24 characters.
    EXPECT_EQ(Occurrences(run.out, "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;"), 2u);
    EXPECT_EQ(Occurrences(run.out, "&lt;script&gt;alert(&quot;x&quot;)&lt;/scri\u2026<tspan class=\"code\""), 1u);
    EXPECT_EQ(Occurrences(run.out, "Tom &amp; Jerry&#39;s &lt;b&gt;"), 2u);
    EXPECT_EQ(Occurrences(run.out, ">&quot;&amp;&quot;</td>"), 1u);
}

TEST(JxlImportHtml, NamesWithBlanksAtTheirEndsAreShownQuotedAsInTheTable) {
    const std::string document = Support::FieldBook(Point(" P 1 ", kNE));
    const ToolRun::Result run = JxlImport({"--format", "html", Support::WriteScratchFile("blanks.jxl", document)});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "<td class=\"t\">&quot; P 1 &quot;</td>"));
}

TEST(JxlImportHtml, EachFileHasItsOutcomeAndTheFootCountsThem) {
    const ToolRun::Result run =
        JxlImport({"--format", "html", "examples/no-such-job.jxl", "examples/malformed.jxl", "examples/typical.jxl"});
    EXPECT_EQ(run.status, 1);
    const std::size_t missing = run.out.find("<span class=\"outcome cannot-open\"");
    const std::size_t malformed = run.out.find("<span class=\"outcome message\"");
    const std::size_t typical = run.out.find("<span class=\"outcome ok\"");
    ASSERT_NE(missing, std::string::npos);
    ASSERT_NE(malformed, std::string::npos);
    ASSERT_NE(typical, std::string::npos);
    EXPECT_LT(missing, malformed);
    EXPECT_LT(malformed, typical);
    EXPECT_EQ(Occurrences(run.out, "<section class=\"file\""), 3u);
    EXPECT_TRUE(Contains(run.out, "<li>Не удается открыть файл</li>"));
    EXPECT_TRUE(Contains(run.out, "<li>Ошибка в формате файла</li>"));
    for (const std::string row : {"<tr><th>files</th><td class=\"n\">3</td></tr>", "<tr><th>ok</th><td class=\"n\">1</td></tr>",
                                  "<tr><th>message</th><td class=\"n\">1</td></tr>",
                                  "<tr><th>cannot-open</th><td class=\"n\">1</td></tr>",
                                  "<tr><th>stopped</th><td class=\"n\">0</td></tr>"})
        EXPECT_TRUE(Contains(run.out, row)) << row;
    // The four outcomes explained, once, in the foot.
    for (const std::string word : {"ok", "message", "cannot-open", "stopped"})
        EXPECT_EQ(Occurrences(run.out, "<dt>" + word + "</dt>"), 1u) << word;
    EXPECT_EQ(run.out.rfind("</html>\n"), run.out.size() - 8);
}

TEST(JxlImportHtml, TheHeadingShowsTheSettingsThePluginHeld) {
    const std::string settings = Support::WriteScratchFile("html.ini", "ConsiderPrismConstant=0\nParseReductionsNode=7\n");
    const ToolRun::Result run =
        JxlImport({"--format", "html", "--settings", settings, "--field-book", "off", "examples/typical.jxl"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "<code>--prism-constant off</code> (ConsiderPrismConstant=0)"));
    EXPECT_TRUE(Contains(run.out, "<code>--field-book off</code> (ParseFieldBookNode=0)"));
    // Only exactly 1 is on.
    EXPECT_TRUE(Contains(run.out, "<code>--reductions off</code> (ParseReductionsNode=0)"));
    EXPECT_TRUE(Contains(run.out, "settings file <code>"));
    EXPECT_EQ(Occurrences(run.out, "<tr class=\"station"), 0u);
}

}  // namespace
