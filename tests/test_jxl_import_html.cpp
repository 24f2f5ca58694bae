// jxl-import --format html: the page of each example as kept in the repository, the
// plan's marks counted from its SVG, texts that must stay text, and each file's outcome.
#include <gtest/gtest.h>

#include <algorithm>
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

// A place in the grid, as a document gives it.
std::string Grid(double north, double east) {
    return "<North>" + std::to_string(north) + "</North><East>" + std::to_string(east) + "</East>";
}

// Points named P0, P1, … (or with another prefix) on a square grid of this many a side
// and this spacing, from 0 0.
std::string PointGrid(int side, double spacing, const std::string& prefix = "P") {
    std::string points;
    for (int i = 0; i < side * side; ++i)
        points += Point(prefix + std::to_string(i), Grid(i / side * spacing, i % side * spacing));
    return points;
}

struct PlanCase {
    const char* behaviour;
    std::string document;
    // Marks as drawn: every point mark (dots, squares and arrows), of which keyed in and
    // off the plan; stations; lines to foresights and to backsights.
    std::size_t points, keyedIn, offPlan, stations, foresights, backsights;
};

class PlanMarks : public testing::TestWithParam<PlanCase> {};

TEST_P(PlanMarks, AreOnePerPointStationAndLineAsDrawn) {
    const PlanCase& c = GetParam();
    const ToolRun::Result run = JxlImport({"--format", "html", Support::WriteScratchFile("plan.jxl", c.document)});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Marks(run.out, "points") + Marks(run.out, "keyed-in") + Marks(run.out, "off-plan"), c.points);
    EXPECT_EQ(Marks(run.out, "keyed-in"), c.keyedIn);
    EXPECT_EQ(Marks(run.out, "off-plan"), c.offPlan);
    EXPECT_EQ(Marks(run.out, "stations"), c.stations);
    EXPECT_EQ(Marks(run.out, "rays"), c.foresights);
    EXPECT_EQ(Marks(run.out, "rays backsight"), c.backsights);
    EXPECT_EQ(Occurrences(run.out, "<svg class=\"plan"), c.points ? 1u : 0u);
    EXPECT_EQ(Contains(run.out, "nothing to draw"), c.points == 0);
}

INSTANTIATE_TEST_SUITE_P(Files, PlanMarks, testing::Values(
    PlanCase{"no coordinates: no plan", Support::FieldBook(Station("A") + Shot("B") + Point("B", "<Elevation>3</Elevation>")),
             0, 0, 0, 0, 0, 0},
    PlanCase{"a point with north only is not drawn", Support::FieldBook(Point("A", kNE) + Point("B", "<North>1</North>")),
             1, 0, 0, 0, 0, 0},
    PlanCase{"a station on a keyed-in point, a shot to a point known later",
             Support::FieldBook(Point("A", kNE, true) + Station("A") + Shot("B") + Point("B", kNE2)), 2, 1, 0, 1, 1, 0},
    PlanCase{"shots to a name without coordinates or to the station's own place draw no line",
             Support::FieldBook(Point("A", kNE) + Station("A") + Shot("C") + Shot("A")), 1, 0, 0, 1, 0, 0},
    PlanCase{"a station without coordinates draws neither itself nor lines",
             Support::FieldBook(Point("B", kNE) + Station("D") + Shot("B") + Shot("B")), 1, 0, 0, 0, 0, 0},
    PlanCase{"shots before any station draw no line",
             Support::FieldBook(Point("A", kNE) + Point("B", kNE2) + Shot("B") + Station("A") + Shot("B")), 2, 0, 0, 1, 1, 0},
    PlanCase{"the backsight reading and every shot from that set-up to its name are one dashed line",
             Support::FieldBook(Point("A", kNE, true) + Point("B", kNE2, true) + Point("F", kNE3) + Station("A") +
                                Backsight("B") + Shot("B") + Shot("B") + Shot("F")),
             3, 2, 0, 1, 1, 1},
    PlanCase{"a backsight of one set-up is a foresight of the next",
             Support::FieldBook(Point("A", kNE) + Point("B", kNE2) + Station("A") + Backsight("B") + Shot("B") +
                                Station("B") + Shot("A")),
             2, 0, 0, 2, 1, 1},
    PlanCase{"a circle with only a horizontal reading and a face reads as a backsight",
             Support::FieldBook(Point("A", kNE) + Point("B", kNE2) + Station("A") +
                                "<PointRecord><Name>B</Name><Circle><HorizontalCircle>7</HorizontalCircle><Face>Face2</Face>"
                                "</Circle></PointRecord>"),
             2, 0, 0, 1, 0, 1},
    PlanCase{"a point given again at the same place and a station set up again on it are one mark each",
             Support::FieldBook(Point("A", kNE) + Point("A", kNE) + Station("A") + Station("A")), 1, 0, 0, 1, 0, 0},
    PlanCase{"a point given again elsewhere, or keyed in there, is another mark",
             Support::FieldBook(Point("A", kNE) + Point("A", kNE2) + Point("A", kNE2, true)), 3, 1, 0, 0, 0, 0},
    PlanCase{"points all at one place make a plan", Support::FieldBook(Point("A", kNE) + Point("B", kNE)), 2, 0, 0, 0, 0, 0},
    PlanCase{"points farther apart than the largest double make a plan",
             Support::FieldBook(Point("A", "<North>1e300</North><East>-1e300</East>") +
                                Point("B", "<North>-1.7e308</North><East>1.7e308</East>")),
             2, 0, 0, 0, 0, 0},
    // Halves of these coordinates round apart: one lands off the plot, at its edge.
    PlanCase{"points so far out that a grid step is below their precision make a plan",
             Support::FieldBook(Point("A", "<North>1e17</North><East>1e17</East>") +
                                Point("B", "<North>100000000000000016</North><East>100000000000000032</East>")),
             2, 0, 1, 0, 0, 0},
    PlanCase{"reductions points are points with coordinates",
             Support::Reductions("<Point><Name>R1</Name><SurveyMethod>KeyedIn</SurveyMethod><Grid>" + kNE +
                                 "</Grid></Point><Point><Name>R2</Name><Grid>" + kNE2 + "</Grid></Point>"),
             2, 1, 0, 0, 0, 0},
    // Eighteen points within 1.5 of their middle (1 1) make the radius; 5 of them out is far.
    PlanCase{"a point far from the rest is an arrow at the plan's edge, and a line to it ends there",
             Support::FieldBook(PointGrid(3, 1) + PointGrid(3, 1.01, "Q") + Point("BASE", Grid(1, 40000)) + Station("P4") +
                                Shot("BASE") + Shot("P0")),
             19, 0, 1, 1, 2, 0},
    PlanCase{"a far point that the plan's width takes in anyway is drawn in place",
             Support::FieldBook(PointGrid(3, 1) + PointGrid(3, 1.01, "Q") + Point("N", Grid(7.9, 1)) + Point("S", Grid(-5.9, 1)) +
                                Point("E", Grid(1, 10))),
             21, 0, 0, 0, 0, 0},
    PlanCase{"a far point farther than the plan's width is off it",
             Support::FieldBook(PointGrid(3, 1) + PointGrid(3, 1.01, "Q") + Point("N", Grid(7.9, 1)) + Point("S", Grid(-5.9, 1)) +
                                Point("E", Grid(1, 13))),
             21, 0, 1, 0, 0, 0}));

TEST(JxlImportHtml, TheTraversePlanShowsBothSetUpsTheirRaysAndTheReductions) {
    const ToolRun::Result run = JxlImport({"--format", "html", "examples/traverse.jxl"});
    ASSERT_EQ(run.status, 0) << run.err;
    // Points: CP1 and CP2 keyed in (in the field book and again in the reductions), 1003,
    // and T1, T2, 1001 and 1002 from the reductions.
    EXPECT_EQ(Marks(run.out, "points"), 5u);
    EXPECT_EQ(Marks(run.out, "keyed-in"), 2u);
    EXPECT_EQ(Marks(run.out, "stations"), 2u);
    // From CP1: to T1, 1001 and 1002, and dashed to CP2; from T1: to T2, and dashed to CP1.
    EXPECT_EQ(Marks(run.out, "rays"), 4u);
    EXPECT_EQ(Marks(run.out, "rays backsight"), 2u);
    for (const std::string name : {"CP1", "CP2", "T1", "T2", "1001", "1002", "1003"})
        EXPECT_EQ(Occurrences(run.out, ">" + name + "<tspan class=\"code\""), 1u) << name;
}

// The texts under the plan, and the file's totals above it.
std::vector<std::string> LegendEntries(const std::string& page) {
    std::vector<std::string> entries;
    for (std::size_t at = page.find("<li><svg"); at != std::string::npos; at = page.find("<li><svg", at + 1)) {
        const std::size_t text = page.find("</svg>", at) + 6;
        entries.push_back(page.substr(text, page.find("</li>", text) - text));
    }
    return entries;
}

std::string Between(const std::string& page, const std::string& before, const std::string& after) {
    const std::size_t at = page.find(before);
    if (at == std::string::npos) return "(none)";
    const std::size_t start = at + before.size();
    return page.substr(start, page.find(after, start) - start);
}

struct LegendCase {
    const char* behaviour;
    std::string file;  // an example, or a document
    std::vector<std::string> legend;
    std::string totals;
    std::string caption;  // after the words on north, scale and units
};

class PlanLegend : public testing::TestWithParam<LegendCase> {};

TEST_P(PlanLegend, CountsWhatIsDrawnInASurveyorsWords) {
    const LegendCase& c = GetParam();
    const std::string path = c.file.rfind("examples/", 0) == 0 ? c.file : Support::WriteScratchFile("legend.jxl", c.file);
    const ToolRun::Result run = JxlImport({"--format", "html", path});
    EXPECT_EQ(LegendEntries(run.out), c.legend);
    EXPECT_EQ(Between(run.out, "<p class=\"totals\">", "</p>"), c.totals);
    // After the legend and the words on north, scale and units.
    EXPECT_EQ(Between(run.out, "in metres. ", "</figcaption>"), c.caption);
}

INSTANTIATE_TEST_SUITE_P(Files, PlanLegend, testing::Values(
    LegendCase{"the traverse: keyed-in points given twice counted once, lines with their observations",
               "examples/traverse.jxl",
               {"5 points", "2 keyed-in points", "2 stations", "4 foresights (6 observations)",
                "2 backsights (5 observations)"},
               "2 stations, 11 observations, 9 points",
               "Every point is named, with its code."},
    LegendCase{"one set-up, one shot: only the kinds drawn, a line of one observation without a count",
               "examples/typical.jxl", {"1 point"}, "1 station, 2 observations, 1 point",
               "Every point is named."},
    LegendCase{"nothing imported, a message", "examples/malformed.jxl", {}, "Nothing imported \xC2\xB7 1 message",
               "(none)"},
    LegendCase{"a station set up twice on a point, its backsight read from both set-ups",
               Support::FieldBook(Point("A", kNE) + Point("B", kNE2) + Station("A") + Backsight("B") + Shot("B") +
                                  Station("A") + Backsight("B") + Shot("F")),
               {"2 points", "1 station (2 set-ups)", "1 backsight (3 observations)"},
               "2 stations, 4 observations, 2 points",
               "Every point is named."},
    LegendCase{"a point far from the rest",
               Support::FieldBook(PointGrid(3, 10) + Point("BASE", Grid(0, 35000), true)),
               {"9 points", "1 point far off the plan"},
               "10 points",
               "One point lies far from the rest, beyond the plan&#39;s edge: an arrow at the edge points to each "
               "from the plan&#39;s middle, with its name and its distance from that middle. Every point is named."},
    LegendCase{"ten names at one place: six written around it (right, left, the corners), the reason true",
               Support::FieldBook(Point("A1", kNE) + Point("A2", kNE) + Point("A3", kNE) + Point("A4", kNE) +
                                  Point("A5", kNE) + Point("A6", kNE) + Point("A7", kNE) + Point("A8", kNE) +
                                  Point("A9", kNE) + Point("A10", kNE)),
               {"10 points"},
               "10 points",
               "6 of 10 names written; the others would cover a name or a mark at this scale (the tables list every "
               "point)."}));

// A station at the east end of its job, with its backsight due north of it: names must
// go to the left where the right runs off the plan.
TEST(JxlImportHtml, ANameWithNoRoomToTheRightIsWrittenToTheLeft) {
    const std::string document = Support::FieldBook(
        Station("STN300") + Backsight("101") + Shot("101") + Shot("102") + Shot("200") + Point("STN300", Grid(2000, 2000)) +
        Point("101", Grid(2041.7, 2000)) + Point("102", Grid(1974.9, 1847.3)) + Point("200", Grid(1980.4, 1940.1)));
    const ToolRun::Result run = JxlImport({"--format", "html", Support::WriteScratchFile("east.jxl", document)});
    ASSERT_EQ(run.status, 0) << run.err;
    // The station's triangle: its top at the place, 8 pixels up.
    const std::string stations = Between(run.out, "<path class=\"stations\" data-marks=\"1\" d=\"M", " ");
    ASSERT_NE(stations, "(none)");
    const double stationX = std::stod(stations);
    const std::string label = Between(run.out, "<g class=\"labels\">", ">STN300</text>");
    const std::size_t x = label.rfind("<text x=\"");
    ASSERT_NE(x, std::string::npos) << run.out;
    EXPECT_LT(std::stod(label.substr(x + 9)), stationX);
    EXPECT_TRUE(Contains(label.substr(x), "text-anchor=\"end\"")) << label.substr(x);
    EXPECT_TRUE(Contains(run.out, "Every point is named."));
}

// Points on a line of 78 units across the plan, A and B ten pixels apart: A's name would
// cover B's mark on its right, and goes to its left; B's has its right free.
TEST(JxlImportHtml, ANameCoversNoOtherPointsMark) {
    const std::string document = Support::FieldBook(Point("A", Grid(0, 0)) + Point("B", Grid(0, 1)) +
                                                     Point("C", Grid(0, 20)) + Point("D", Grid(0, 40)) +
                                                     Point("E", Grid(0, 60)) + Point("F", Grid(0, 78)));
    const ToolRun::Result run = JxlImport({"--format", "html", Support::WriteScratchFile("close.jxl", document)});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "text-anchor=\"end\">A</text>")) << run.out;
    EXPECT_TRUE(Contains(run.out, "\">B</text>"));
    EXPECT_FALSE(Contains(run.out, "text-anchor=\"end\">B</text>"));
    EXPECT_TRUE(Contains(run.out, "Every point is named."));
}

// The x of every mark of one kind: the numbers after each "M" of its path.
std::vector<double> MarkXs(const std::string& page, const std::string& cssClass) {
    std::vector<double> xs;
    const std::string d = Between(page, "<path class=\"" + cssClass + "\" data-marks=\"", "\"/>");
    for (std::size_t at = d.find('M'); at != std::string::npos; at = d.find('M', at + 1)) xs.push_back(std::stod(d.substr(at + 1)));
    return xs;
}

TEST(JxlImportHtml, AFarPointLeavesTheBulkOfTheJobAcrossThePlan) {
    // A hundred points over 100 by 100, a base station 35 km to the east, observed from
    // one of them, and three control points 3 km to the north, close together.
    const std::string document = Support::FieldBook(
        PointGrid(10, 11.1) + Point("BASE", Grid(50, 35000), true) + Station("P0") + Shot("BASE") +
        Point("N0", Grid(3000, 50), true) + Point("N1", Grid(3300, 60), true) + Point("N2", Grid(3600, 40), true));
    const ToolRun::Result run = JxlImport({"--format", "html", Support::WriteScratchFile("base.jxl", document)});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<double> xs = MarkXs(run.out, "points");
    ASSERT_EQ(xs.size(), 100u);
    // The plot is 848 pixels wide; the hundred points' 100 units take most of the
    // height, 620 at the most, and so a good part of the width.
    EXPECT_GT(*std::max_element(xs.begin(), xs.end()) - *std::min_element(xs.begin(), xs.end()), 500);
    EXPECT_EQ(Marks(run.out, "off-plan"), 4u);
    EXPECT_TRUE(Contains(run.out, ">N0, N1, N2<tspan class=\"distance\"")) << run.out;
    // The line to it ends at the plot's east edge, 72 + 848 pixels.
    const std::string line = Between(run.out, "<path class=\"rays\" data-marks=\"1\" d=\"M", "\"/>");
    ASSERT_NE(line.find('L'), std::string::npos) << line;
    EXPECT_EQ(std::stod(line.substr(line.find('L') + 1)), 920);
    EXPECT_TRUE(Contains(run.out, ">BASE<tspan class=\"distance\"")) << run.out;
    EXPECT_TRUE(Contains(run.out, "34950 away</tspan>"));
    // The scale bar is of the points drawn to scale: 20 units.
    EXPECT_TRUE(Contains(run.out, "\">0</text><text x=\"")) << run.out;
    EXPECT_EQ(Between(run.out, "<g class=\"scale-bar\">", "</g>").find(">20</text>") != std::string::npos, true);
}

TEST(JxlImportHtml, APointFarOutAsDoublesGoIsNamedWithAShortDistance) {
    const std::string document = Support::FieldBook(PointGrid(4, 1) + Point("FAR", "<North>1e300</North><East>1e300</East>"));
    const ToolRun::Result run = JxlImport({"--format", "html", Support::WriteScratchFile("doubles.jxl", document)});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, ">FAR<tspan class=\"distance\" x=\"")) << run.out;
    // √2 × 1e300, to the last digit or two the system's hypot gives.
    EXPECT_TRUE(Contains(run.out, ">1.41421356237309")) << run.out;
    EXPECT_TRUE(Contains(run.out, "e+300 away</tspan>"));
    EXPECT_TRUE(Contains(run.out, "Every point is named."));
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
    EXPECT_TRUE(Contains(run.out, "<li>Не удается открыть файл<div class=\"reason\">Reason: "));
    EXPECT_TRUE(Contains(run.out, "<li>Ошибка в формате файла<div class=\"reason\">Reason: "));
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
