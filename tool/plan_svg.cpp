#include "tool/plan_svg.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "tool/html_text.h"
#include "tool/item_fields.h"

namespace Tool {
namespace {

// The drawing in SVG pixels: a plot area with room for the coordinate labels to its left
// and under it, the north arrow to its right and the scale bar below, where they cover no
// point. The height follows the points' extent between the two limits.
constexpr double kWidth = 960;
constexpr double kLeft = 72;
constexpr double kRight = 40;
constexpr double kTop = 16;
constexpr double kBottom = 58;
constexpr double kPlotWidth = kWidth - kLeft - kRight;
constexpr double kMinPlotHeight = 240;
constexpr double kMaxPlotHeight = 620;
constexpr double kFill = 0.92;  // of the plot the points' extent takes, leaving a margin

// A point is far from the rest when it lies this many times farther from their middle
// than the radius that holds nine tenths of them (see CBulk).
constexpr double kFarRadii = 5;

// Codes stay readable under the names only on a plan with this few points.
constexpr std::size_t kCodesUpTo = 100;
// Beyond these, marks are drawn finer.
constexpr std::size_t kDenseRays = 1000;  // lines drawn
constexpr std::size_t kDensePoints = 3000;

// Names are set in a monospace font (the page's style), so that their width is known
// here: at most this many ems a column (DejaVu Sans Mono 0.602, Consolas 0.55).
constexpr double kColumnEms = 0.62;
constexpr double kNameFont = 11;
constexpr double kCodeFont = 9;
// A name's line reaches this far above and below its baseline (the font's ascent and
// descent); a code's baseline is one code line under it.
constexpr double kAscent = 10.5;
constexpr double kDescent = 3;
constexpr double kCodeLine = kCodeFont + 1;
constexpr double kHalo = 1.5;     // the white outline that keeps a name readable over rays
constexpr double kNameGap = 2;    // between a mark and its name
// What a name may cover, in cells of this many pixels.
constexpr double kCell = 2;

struct Spot {
    double north;
    double east;
};

std::optional<Spot> SpotOf(const ImportedItem& item) {
    if (item.kind != ImportedItem::Kind::Point || !item.north || !item.east) return std::nullopt;
    if (!std::isfinite(*item.north) || !std::isfinite(*item.east)) return std::nullopt;
    return Spot{*item.north, *item.east};
}

// A name and coordinates as a key: two points with both the same are one mark.
// A name and a place as one text, for the sets that draw each of them once. The shortest
// digits read back as the same double, so equal texts are equal places.
std::string PlaceKey(const std::string& name, const Spot& spot) {
    std::string key = name;
    key += '\0';
    Host::AppendNumber(key, spot.north + 0.0);  // + 0.0: -0 and 0 are one place
    key += ' ';
    Host::AppendNumber(key, spot.east + 0.0);
    return key;
}

bool SamePlace(const Spot& a, const Spot& b) { return a.north == b.north && a.east == b.east; }

// The length of a vector, finite wherever its parts are.
double Length(double a, double b) { return std::hypot(a, b); }

// A distance a quarter of the true one: finite for any two finite places.
double QuarterDistance(const Spot& from, const Spot& to) {
    return Length(to.north / 4 - from.north / 4, to.east / 4 - from.east / 4);
}

// Powers of ten by multiplication, exact up to 1e22, so that every build rounds alike.
double PowerOfTen(int exponent) {
    double value = 1;
    for (int i = 0; i < exponent; ++i) value *= 10;
    for (int i = 0; i > exponent; --i) value /= 10;
    return value;
}

// The decimal exponent of a positive finite value: 10^e <= value < 10^(e+1).
int DecimalExponent(double value) {
    int exponent = static_cast<int>(std::floor(std::log10(value)));
    while (exponent < 308 && PowerOfTen(exponent + 1) <= value) ++exponent;
    while (exponent > -320 && PowerOfTen(exponent) > value) --exponent;
    return exponent;
}

// A round length (1, 2 or 5 times a power of ten) near the value, or not above it.
struct RoundLength {
    double value;
    int exponent;  // of its power of ten
};

RoundLength Rounded(double value, bool notAbove) {
    const int exponent = DecimalExponent(value);
    const double power = PowerOfTen(exponent);
    const double leading = value / power;
    double factor;
    if (notAbove)
        factor = leading < 2 ? 1 : leading < 5 ? 2 : 5;
    else
        factor = leading < 1.5 ? 1 : leading < 3.5 ? 2 : leading < 7.5 ? 5 : 10;
    if (factor == 10) return {PowerOfTen(exponent + 1), exponent + 1};
    return {exponent < 0 ? factor / PowerOfTen(-exponent) : factor * power, exponent};
}

// A coordinate on a grid line of this spacing: as many decimals as the spacing needs.
std::string GridValue(double value, int exponent) {
    if (value == 0) return "0";
    if (std::fabs(value) >= 1e15 || exponent < -12) return ShortestNumber(value);
    return FixedNumber(value, exponent < 0 ? -exponent : 0);
}

// Pixels with one decimal, from the rounded tenth: the same text in every build.
void AppendPixel(std::string& out, double pixel) {
    long long tenths = std::llround(std::clamp(pixel, -1e6, 1e6) * 10);
    if (tenths < 0) {
        out += '-';
        tenths = -tenths;
    }
    out += std::to_string(tenths / 10);
    if (tenths % 10) {
        out += '.';
        out += static_cast<char>('0' + tenths % 10);
    }
}

std::string Pixel(double pixel) {
    std::string out;
    AppendPixel(out, pixel);
    return out;
}

// North up, east to the right, one scale on both axes. Halves throughout, so that an
// extent wider than the largest double still gives finite pixels.
class CProjection {
public:
    CProjection(double minNorth, double maxNorth, double minEast, double maxEast) {
        m_midNorth = minNorth / 2 + maxNorth / 2;
        m_midEast = minEast / 2 + maxEast / 2;
        const double halfNorth = maxNorth / 2 - minNorth / 2;
        const double halfEast = maxEast / 2 - minEast / 2;
        double scale = 0;
        if (halfEast > 0) scale = kFill * kPlotWidth / 2 / halfEast;
        if (halfNorth > 0) {
            const double byNorth = kFill * kMaxPlotHeight / 2 / halfNorth;
            scale = scale > 0 ? std::min(scale, byNorth) : byNorth;
        }
        // Points all at one place, or closer than a double can scale: ten units across.
        if (!(scale > 0) || !std::isfinite(scale)) scale = kFill * kPlotWidth / 10;
        m_scale = scale;
        m_plotHeight = std::clamp(2 * halfNorth * scale / kFill, kMinPlotHeight, kMaxPlotHeight);
    }

    double X(double east) const { return kLeft + kPlotWidth / 2 + (east / 2 - m_midEast / 2) * (2 * m_scale); }
    double Y(double north) const { return kTop + m_plotHeight / 2 - (north / 2 - m_midNorth / 2) * (2 * m_scale); }
    double East(double x) const { return m_midEast + (x - kLeft - kPlotWidth / 2) / m_scale; }
    double North(double y) const { return m_midNorth + (kTop + m_plotHeight / 2 - y) / m_scale; }

    // Whether a mark at this place is drawn whole on the plot.
    bool OnPlot(const Spot& spot) const {
        const double x = X(spot.east), y = Y(spot.north);
        return x >= kLeft + 5 && x <= kLeft + kPlotWidth - 5 && y >= kTop + 5 && y <= kTop + m_plotHeight - 5;
    }
    Spot Middle() const { return {m_midNorth, m_midEast}; }

    double Scale() const { return m_scale; }
    double PlotHeight() const { return m_plotHeight; }
    double Height() const { return kTop + m_plotHeight + kBottom; }

private:
    double m_midNorth, m_midEast, m_scale, m_plotHeight;
};

// A rectangle in SVG pixels.
struct Box {
    double left, top, right, bottom;
};

// What covers the plot, in cells of kCell pixels: rays, marks and names. A name goes
// where it covers no other name and stays on the plot; where it can, it also covers no
// mark and crosses no ray (its halo keeps it readable over one where it must).
class CPlotCells {
public:
    enum Layer : unsigned char {
        kRay = 1,
        kPoint = 2,  // dots and squares
        kMark = 4,   // stations and arrows: no name covers them
        kName = 8,
    };

    explicit CPlotCells(double plotHeight)
        : m_plotHeight(plotHeight),
          m_columns(static_cast<int>(std::ceil(kPlotWidth / kCell))),
          m_rows(static_cast<int>(std::ceil(plotHeight / kCell))),
          m_cells(static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(m_rows), 0) {}

    void Take(const Box& box, Layer layer) {
        const Cells cells = CellsOf(box);
        for (int r = cells.r0; r <= cells.r1; ++r)
            for (int c = cells.c0; c <= cells.c1; ++c) m_cells[Index(r, c)] |= layer;
    }

    // A ray on the plot, cell by cell.
    void TakeRay(double x0, double y0, double x1, double y1) {
        const double steps = std::ceil(std::max(std::fabs(x1 - x0), std::fabs(y1 - y0)) / kCell);
        for (double i = 0; i <= steps; ++i) {
            const double t = steps > 0 ? i / steps : 0;
            const int c = static_cast<int>(std::floor((x0 + t * (x1 - x0) - kLeft) / kCell));
            const int r = static_cast<int>(std::floor((y0 + t * (y1 - y0) - kTop) / kCell));
            if (c >= 0 && c < m_columns && r >= 0 && r < m_rows) m_cells[Index(r, c)] |= kRay;
        }
    }

    // Takes the box for a name when it lies on the plot and covers no name, and nothing
    // else but what `mayCover` allows and what lies at its own place (`own`, which it is
    // put beside).
    bool TakeName(const Box& box, const Box& own, unsigned char mayCover) {
        if (box.left < kLeft || box.right > kLeft + kPlotWidth || box.top < kTop || box.bottom > kTop + m_plotHeight)
            return false;
        const unsigned char blocking = static_cast<unsigned char>((kRay | kPoint | kMark) & ~mayCover);
        const Cells cells = CellsOf(box), mine = CellsOf(own);
        for (int r = cells.r0; r <= cells.r1; ++r) {
            for (int c = cells.c0; c <= cells.c1; ++c) {
                const unsigned char taken = m_cells[Index(r, c)];
                const bool ownPlace = r >= mine.r0 && r <= mine.r1 && c >= mine.c0 && c <= mine.c1;
                if ((taken & kName) || ((taken & blocking) && !ownPlace)) return false;
            }
        }
        Take(box, kName);
        return true;
    }

private:
    struct Cells {
        int c0, r0, c1, r1;
    };

    // The cells a box touches, those off the plot left out.
    Cells CellsOf(const Box& box) const {
        const auto column = [&](double x) {
            return static_cast<int>(std::clamp(std::floor((x - kLeft) / kCell), -1.0, static_cast<double>(m_columns)));
        };
        const auto row = [&](double y) {
            return static_cast<int>(std::clamp(std::floor((y - kTop) / kCell), -1.0, static_cast<double>(m_rows)));
        };
        return {std::max(column(box.left), 0), std::max(row(box.top), 0), std::min(column(box.right), m_columns - 1),
                std::min(row(box.bottom), m_rows - 1)};
    }

    std::size_t Index(int row, int column) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) + static_cast<std::size_t>(column);
    }

    double m_plotHeight;
    int m_columns, m_rows;
    std::vector<unsigned char> m_cells;
};

// A code as a label: without the feature attributes the plug-in appends after " /".
std::string CodeLabel(const std::string& code) {
    const std::size_t attributes = code.find(" /");
    return Shortened(VisibleText(attributes == std::string::npos ? code : code.substr(0, attributes)), 20);
}

// Columns a text takes in the labels' monospace font: two for a character of three or
// four bytes in UTF-8, where the wide East Asian scripts lie (the few narrow ones there
// get room to spare), one for every other.
std::size_t Columns(const std::string& utf8) {
    std::size_t columns = 0;
    for (const char c : utf8) {
        const unsigned char byte = static_cast<unsigned char>(c);
        columns += (byte & 0xC0) == 0x80 ? 0 : byte >= 0xE0 ? 2 : 1;
    }
    return columns;
}

// A name to write beside its mark, with a second line under it: the point's code, or the
// distance to a point off the plan.
struct Label {
    std::string name;
    std::string second;
    bool distance;  // the second line: a distance, or else a code
    double x, y;    // the mark's centre
    Box own;        // what the mark covers
    bool foremost;  // a station's or an arrow's, which may cover points where it must
};

// Writes the name in the first place around its mark that is free: right, left, the four
// corners, above, below; one that crosses no ray if there is one, and for a station or
// an arrow one that covers points if there is no other. False when every place would cover another
// name or a mark: the marks keep a margin from the plot's edges, and the plot is wider
// and taller than the longest name, so some place always lies on it.
bool WriteLabel(const Label& label, CPlotCells& cells, std::string& out) {
    const double width =
        std::max(Columns(label.name) * kNameFont, Columns(label.second) * kCodeFont) * kColumnEms + 2 * kHalo;
    const double height = kAscent + kDescent + (label.second.empty() ? 0 : kCodeLine);
    const Box& own = label.own;
    // Beside the mark, the name's line level with it; above and below, clear of both the
    // mark and a name beside it.
    const double beside = label.y + 4 - kAscent;
    const double above = std::min(own.top, beside) - kNameGap - height;
    const double below = std::max(own.bottom, beside + kAscent + kDescent) + kNameGap;
    const double right = own.right + kNameGap, left = own.left - kNameGap - width;
    const double cornerRight = label.x + kNameGap, cornerLeft = label.x - kNameGap - width;
    const double middle = label.x - width / 2;
    // Each place is anchored at the side that faces the mark, so that a name a little
    // narrower than reckoned stays close to it.
    enum class Anchor { Start, End, Middle };
    struct Place {
        double left, top;
        Anchor anchor;
    };
    const Place places[] = {{right, beside, Anchor::Start},      {left, beside, Anchor::End},
                            {cornerRight, above, Anchor::Start}, {cornerRight, below, Anchor::Start},
                            {cornerLeft, above, Anchor::End},    {cornerLeft, below, Anchor::End},
                            {middle, above, Anchor::Middle},     {middle, below, Anchor::Middle}};
    const unsigned char mayCover[] = {0, CPlotCells::kRay, CPlotCells::kRay | CPlotCells::kPoint};
    for (std::size_t pass = 0; pass < (label.foremost ? 3 : 2); ++pass) {
        for (const Place& place : places) {
            const Box box{place.left, place.top, place.left + width, place.top + height};
            if (!cells.TakeName(box, own, mayCover[pass])) continue;
            const double x = place.anchor == Anchor::Start ? box.left + kHalo
                             : place.anchor == Anchor::End ? box.right - kHalo
                                                           : label.x;
            const std::string at = Pixel(x);
            out += "<text x=\"" + at + "\" y=\"" + Pixel(box.top + kAscent) + "\"";
            if (place.anchor == Anchor::End) out += " text-anchor=\"end\"";
            if (place.anchor == Anchor::Middle) out += " text-anchor=\"middle\"";
            out += ">" + EscapeHtml(label.name);
            if (!label.second.empty())
                out += std::string("<tspan class=\"") + (label.distance ? "distance" : "code") + "\" x=\"" + at +
                       "\" dy=\"" + Pixel(kCodeLine) + "\">" + EscapeHtml(label.second) + "</tspan>";
            out += "</text>";
            return true;
        }
    }
    return false;
}

// A path of many marks in one element: each mark one subpath, so that a reader counts
// them by their "M".
class CMarks {
public:
    explicit CMarks(std::string cssClass) : m_class(std::move(cssClass)) {}

    // Starts the next mark at this point; the rest of it follows as path text.
    std::string& Mark(double x, double y) {
        ++count;
        m_d += 'M';
        AppendPixel(m_d, x);
        m_d += ' ';
        AppendPixel(m_d, y);
        return m_d;
    }

    void Line(double x0, double y0, double x1, double y1) {
        Mark(x0, y0) += 'L';
        AppendPixel(m_d, x1);
        m_d += ' ';
        AppendPixel(m_d, y1);
    }

    std::string Element() const {
        if (count == 0) return {};
        return "<path class=\"" + m_class + "\" data-marks=\"" + std::to_string(count) + "\" d=\"" + m_d + "\"/>\n";
    }

    std::size_t count = 0;

private:
    std::string m_class;
    std::string m_d;
};

void AddGrid(const CProjection& frame, std::string& out) {
    const double plotBottom = kTop + frame.PlotHeight();
    const double westEast = frame.East(kLeft), eastEast = frame.East(kLeft + kPlotWidth);
    const double southNorth = frame.North(plotBottom), northNorth = frame.North(kTop);
    const double span = kPlotWidth / frame.Scale();
    if (!std::isfinite(westEast) || !std::isfinite(eastEast) || !std::isfinite(southNorth) ||
        !std::isfinite(northNorth) || !std::isfinite(span) || !(span > 0))
        return;
    const RoundLength step = Rounded(span / 8, false);
    std::string lines, labels;
    // Lines at whole multiples of the step; none where coordinates this large no longer
    // tell one multiple from the next.
    const auto each = [&](double low, double high, auto&& draw) {
        const double first = std::ceil(low / step.value), last = std::floor(high / step.value);
        if (!(last - first < 64) || first + 1 == first) return;
        for (double k = first; k <= last; ++k) draw(k * step.value);
    };
    each(westEast, eastEast, [&](double east) {
        const double x = frame.X(east);
        lines += "M" + Pixel(x) + " " + Pixel(kTop) + "V" + Pixel(plotBottom);
        labels += "<text x=\"" + Pixel(x) + "\" y=\"" + Pixel(plotBottom + 14) + "\">" +
                  EscapeHtml(GridValue(east, step.exponent)) + "</text>";
    });
    std::string northLabels;
    each(southNorth, northNorth, [&](double north) {
        const double y = frame.Y(north);
        lines += "M" + Pixel(kLeft) + " " + Pixel(y) + "H" + Pixel(kLeft + kPlotWidth);
        northLabels += "<text x=\"" + Pixel(kLeft - 4) + "\" y=\"" + Pixel(y + 4) + "\">" +
                       EscapeHtml(GridValue(north, step.exponent)) + "</text>";
    });
    out += "<path class=\"grid\" d=\"" + lines + "\"/>\n";
    out += "<g class=\"grid-east\">" + labels + "</g>\n";
    out += "<g class=\"grid-north\">" + northLabels + "</g>\n";
    out += "<text class=\"axis\" x=\"" + Pixel(kLeft + kPlotWidth) + "\" y=\"" + Pixel(plotBottom + 28) +
           "\">East</text><text class=\"axis\" x=\"" + Pixel(kLeft - 4) + "\" y=\"" + Pixel(kTop - 4) +
           "\">North</text>\n";
}

void AddScaleBar(const CProjection& frame, std::string& out) {
    const double wanted = kPlotWidth / 5 / frame.Scale();
    if (!std::isfinite(wanted) || !(wanted > 0)) return;
    const RoundLength length = Rounded(wanted, true);
    const double pixels = length.value * frame.Scale();
    if (!std::isfinite(pixels) || !(pixels > 0)) return;
    const double x = kLeft, y = kTop + frame.PlotHeight() + 44;
    const std::string half = Pixel(pixels / 2);
    out += "<g class=\"scale-bar\"><rect class=\"dark\" x=\"" + Pixel(x) + "\" y=\"" + Pixel(y) + "\" width=\"" + half +
           "\" height=\"5\"/><rect class=\"light\" x=\"" + Pixel(x + pixels / 2) + "\" y=\"" + Pixel(y) +
           "\" width=\"" + half + "\" height=\"5\"/><text x=\"" + Pixel(x) + "\" y=\"" + Pixel(y - 4) +
           "\">0</text><text x=\"" + Pixel(x + pixels) + "\" y=\"" + Pixel(y - 4) + "\">" +
           EscapeHtml(ShortestNumber(length.value)) + "</text></g>\n";
}

void AddNorthArrow(std::string& out) {
    const double x = kLeft + kPlotWidth + kRight / 2, top = kTop;
    out += "<g class=\"north-arrow\"><path d=\"M" + Pixel(x) + " " + Pixel(top + 14) + "l-8 30 8-7 8 7z\"/><text x=\"" +
           Pixel(x) + "\" y=\"" + Pixel(top + 10) + "\">N</text></g>\n";
}

// A point as the plan marks it: the first point of its name, coordinates and kind.
struct PointMark {
    const ImportedItem* item;
    Spot spot;
};

std::vector<PointMark> PointMarks(const ImportedFile& file) {
    std::unordered_set<std::string> seen;
    std::vector<PointMark> marks;
    for (const ImportedItem& item : file.items) {
        const std::optional<Spot> spot = SpotOf(item);
        if (spot && seen.insert(PlaceKey(item.name, *spot) + (item.keyedIn ? "k" : "")).second)
            marks.push_back({&item, *spot});
    }
    return marks;
}

double Median(std::vector<double> values) {
    const std::size_t half = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(half), values.end());
    const double upper = values[half];
    if (values.size() % 2) return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(half));
    return lower / 2 + upper / 2;
}

// The bulk of the points, which the plan's scale is chosen for, so that a base station
// tens of kilometres away does not squeeze the job into a corner. From the middle of the
// points (their median north and median east), take the radius within which all but a
// tenth of them lie (the tenth rounded up); a point more than kFarRadii such radii from
// the middle is far. With fewer than two points, or nine tenths at the middle, none is.
class CBulk {
public:
    explicit CBulk(const std::vector<PointMark>& marks) {
        std::vector<double> norths, easts;
        for (const PointMark& mark : marks) {
            norths.push_back(mark.spot.north);
            easts.push_back(mark.spot.east);
        }
        m_middle = {Median(norths), Median(easts)};
        const std::size_t beyond = (marks.size() + 9) / 10;
        if (marks.size() <= beyond) return;
        std::vector<double> distances;
        for (const PointMark& mark : marks) distances.push_back(QuarterDistance(m_middle, mark.spot));
        const auto radius = distances.begin() + static_cast<std::ptrdiff_t>(marks.size() - 1 - beyond);
        std::nth_element(distances.begin(), radius, distances.end());
        m_limit = *radius * kFarRadii;
    }

    bool Far(const Spot& spot) const { return m_limit > 0 && QuarterDistance(m_middle, spot) > m_limit; }

private:
    Spot m_middle{};
    double m_limit = 0;  // a quarter of the distance beyond which a point is far
};

// Where the line from a place on the plot towards another leaves the plot, `inset`
// pixels inside its edges, and the line's direction in pixels.
struct Exit {
    double x, y, dx, dy;
};

Exit ExitToward(const CProjection& frame, const Spot& from, const Spot& to, double inset) {
    const double x = frame.X(from.east), y = frame.Y(from.north);
    double dx = to.east / 4 - from.east / 4, dy = from.north / 4 - to.north / 4;  // y runs south
    const double length = Length(dx, dy);
    if (!(length > 0)) return {x, y, 0, 0};
    dx /= length;
    dy /= length;
    double reach = kPlotWidth + kMaxPlotHeight;
    if (dx > 0) reach = std::min(reach, (kLeft + kPlotWidth - inset - x) / dx);
    if (dx < 0) reach = std::min(reach, (kLeft + inset - x) / dx);
    if (dy > 0) reach = std::min(reach, (kTop + frame.PlotHeight() - inset - y) / dy);
    if (dy < 0) reach = std::min(reach, (kTop + inset - y) / dy);
    return {x + reach * dx, y + reach * dy, dx, dy};
}

void AppendPoint(std::string& d, char command, double x, double y) {
    d += command;
    AppendPixel(d, x);
    d += ' ';
    AppendPixel(d, y);
}

// The arrow for a point off the plot: at the plot's edge, on the line from the plot's
// middle towards the point, pointing at it.
struct Arrow {
    double x, y;  // its tip
    Box box;      // what it covers
};

Arrow OffPlanArrow(const CProjection& frame, const Spot& spot, CMarks& arrows) {
    const Exit tip = ExitToward(frame, frame.Middle(), spot, 3);
    const double tailX = tip.x - 16 * tip.dx, tailY = tip.y - 16 * tip.dy;
    const double baseX = tip.x - 7 * tip.dx, baseY = tip.y - 7 * tip.dy;
    const double wingX = -4.5 * tip.dy, wingY = 4.5 * tip.dx;
    // One subpath: the shaft, then the head, filled.
    std::string& d = arrows.Mark(tailX, tailY);
    AppendPoint(d, 'L', tip.x, tip.y);
    AppendPoint(d, 'L', baseX + wingX, baseY + wingY);
    AppendPoint(d, 'L', baseX - wingX, baseY - wingY);
    AppendPoint(d, 'L', tip.x, tip.y);
    const double xs[] = {tailX, tip.x, baseX + wingX, baseX - wingX};
    const double ys[] = {tailY, tip.y, baseY + wingY, baseY - wingY};
    return {tip.x, tip.y,
            {*std::min_element(xs, xs + 4) - 1.5, *std::min_element(ys, ys + 4) - 1.5,
             *std::max_element(xs, xs + 4) + 1.5, *std::max_element(ys, ys + 4) + 1.5}};
}

// A distance as an arrow's label gives it: at least three significant digits, and short
// however large.
std::string DistanceText(double distance) {
    if (!std::isfinite(distance) || !(distance > 0) || distance >= 1e15) return ShortestNumber(distance);
    return FixedNumber(distance, std::clamp(2 - DecimalExponent(distance), 0, 6));
}

// Arrows whose tips are this close share one label.
constexpr double kArrowsApart = 16;

struct ArrowGroup {
    double x, y;  // the first arrow's tip
    Box box;
    std::vector<std::string> names;
    std::vector<double> distances;
};

// An arrow's label: the names of its points; a long list cut short with its count.
std::string ArrowNames(const ArrowGroup& group) {
    const std::vector<std::string>& names = group.names;
    if (names.size() > 3) return names[0] + ", " + names[1] + " and " + std::to_string(names.size() - 2) + " more";
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : ", ") + name;
    return out;
}

// Under it, their distances from the plot's middle, in the same order, or their range.
std::string ArrowDistances(const ArrowGroup& group) {
    std::string out;
    if (group.distances.size() > 3) {
        const auto range = std::minmax_element(group.distances.begin(), group.distances.end());
        out = DistanceText(*range.first) + "\xE2\x80\x93" + DistanceText(*range.second);
    } else {
        for (const double distance : group.distances) out += (out.empty() ? "" : ", ") + DistanceText(distance);
    }
    return out + " away";
}

Box Around(double x, double y, double half) { return {x - half, y - half, x + half, y + half}; }
Box Union(const Box& a, const Box& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// Each name's place: the last point of that name with north and east, as the host keeps
// the coordinates it was given last.
using Places = std::unordered_map<std::string, Spot>;

Places PlacesOf(const ImportedFile& file) {
    Places places;
    for (const ImportedItem& item : file.items)
        if (const std::optional<Spot> spot = SpotOf(item)) places[item.name] = *spot;
    return places;
}

// One file's plan as it is drawn: its marks by kind, what covers the plot, the names
// waiting for their place, and what was drawn, counted.
class CPlan {
public:
    CPlan(const ImportedFile& file, const CProjection& frame, PlanCounts* counts)
        : m_file(file), m_frame(frame), m_places(PlacesOf(file)), m_counts(counts), m_cells(frame.PlotHeight()) {}

    // A triangle on the place of each name set up on; a line from it to the place of each
    // name it observed, one per station, name and kind, cut at the plot's edge where one
    // end is off it.
    void AddStationsAndLines() {
        // The backsight of each set-up: the names its backsight readings name. Every
        // observation from that set-up to such a name is on the line to the backsight.
        std::set<std::pair<const ImportedItem*, std::string>> backsights;
        const ImportedItem* station = nullptr;
        for (const ImportedItem& item : m_file.items) {
            if (item.kind == ImportedItem::Kind::Station) station = &item;
            if (station && IsBacksightReading(item)) backsights.emplace(station, item.name);
        }
        std::unordered_set<std::string> lines;
        station = nullptr;
        for (const ImportedItem& item : m_file.items) {
            if (item.kind == ImportedItem::Kind::Station) {
                station = &item;
                AddStation(item.name);
            } else if (item.kind == ImportedItem::Kind::Observation && station) {
                const std::string& from = station->name;
                const bool backsight = backsights.count({station, item.name}) > 0;
                if (!OnLine(from, item.name)) continue;
                ++m_counts->rays;
                m_counts->backsightRays += backsight;
                if (lines.insert((backsight ? "b" : "f") + from + '\0' + item.name).second)
                    AddLine(from, item.name, backsight ? m_backsightRays : m_rays);
            }
        }
    }

    // A dot, a square if keyed in, an arrow at the edge if off the plot; their names wait
    // for AddNames.
    void AddPoints(const std::vector<PointMark>& marks) {
        m_withCodes = marks.size() <= kCodesUpTo;
        std::unordered_set<std::string> arrowsDrawn;
        for (const PointMark& mark : marks) {
            const ImportedItem& item = *mark.item;
            if (!m_frame.OnPlot(mark.spot)) {
                if (arrowsDrawn.insert(PlaceKey(item.name, mark.spot)).second) AddArrow(item.name, mark.spot);
                continue;
            }
            const double x = m_frame.X(mark.spot.east), y = m_frame.Y(mark.spot.north);
            Box own;
            if (item.keyedIn) {
                m_keyedIn.Mark(x - 3.5, y - 3.5) += "h7v7h-7z";
                own = Around(x, y, 4.5);
            } else {
                m_points.Mark(x, y) += "h0";
                own = Around(x, y, 2.5);
            }
            m_cells.Take(own, CPlotCells::kPoint);
            const auto setUp = m_stationBoxes.find(item.name);
            const bool station = setUp != m_stationBoxes.end();
            if (station && SamePlace(m_places[item.name], mark.spot)) own = Union(own, setUp->second);
            m_names[station ? 1 : item.keyedIn ? 2 : 3].push_back({&item, 1, {{}, {}, false, x, y, own, station}});
        }
        for (const ArrowGroup& group : m_arrows) {
            const double x = (group.box.left + group.box.right) / 2, y = (group.box.top + group.box.bottom) / 2;
            m_names[0].push_back(
                {nullptr, group.names.size(), {ArrowNames(group), ArrowDistances(group), true, x, y, group.box, true}});
        }
    }

    // The names: of points off the plot first, then of stations, keyed-in points and the
    // rest in the order they came, one per name and place in pixels.
    std::string Names() {
        std::string out = "<g class=\"labels\">";
        std::unordered_set<std::string> written;
        for (auto& group : m_names) {
            for (Named& named : group) {
                Label& label = named.label;
                if (named.item) {
                    std::string key = named.item->name;
                    key += '\0';
                    AppendPoint(key, ' ', label.x, label.y);
                    if (!written.insert(std::move(key)).second) continue;
                    label.name = Shortened(VisibleText(named.item->name), 24);
                    if (m_withCodes && named.item->code) label.second = CodeLabel(*named.item->code);
                }
                m_counts->names += named.names;
                if (!WriteLabel(label, m_cells, out)) continue;
                m_counts->labels += named.names;
                m_counts->codes = m_counts->codes || (!label.distance && !label.second.empty());
            }
        }
        return out + "</g>\n";
    }

    // The marks, lines below points, points below stations and arrows.
    std::string Marks() {
        m_counts->points = m_points.count + m_keyedIn.count + m_offPlan.count;
        m_counts->keyedIn = m_keyedIn.count;
        m_counts->offPlan = m_offPlan.count;
        m_counts->stations = m_stations.count;
        m_counts->foresights = m_rays.count;
        m_counts->backsights = m_backsightRays.count;
        return m_rays.Element() + m_backsightRays.Element() + m_points.Element() + m_keyedIn.Element() +
               m_stations.Element() + m_offPlan.Element();
    }

    // Many lines or points: drawn thinner and fainter, so that the points stay visible.
    bool Dense() const {
        return m_rays.count + m_backsightRays.count > kDenseRays ||
               m_points.count + m_keyedIn.count + m_offPlan.count > kDensePoints;
    }

private:
    void AddStation(const std::string& name) {
        const auto place = m_places.find(name);
        if (place == m_places.end() || !m_frame.OnPlot(place->second)) return;
        ++m_counts->setUps;
        if (m_stationBoxes.count(name)) return;
        const double x = m_frame.X(place->second.east), y = m_frame.Y(place->second.north);
        m_stations.Mark(x, y - 8) += "l7 12h-14z";
        const Box box{x - 8, y - 9, x + 8, y + 5};
        m_stationBoxes.emplace(name, box);
        m_cells.Take(box, CPlotCells::kMark);
    }

    // Whether an observation from one name to another is drawn: both have places, at
    // least one of them on the plot, and they are not the same place.
    bool OnLine(const std::string& from, const std::string& to) const {
        const auto start = m_places.find(from), end = m_places.find(to);
        return start != m_places.end() && end != m_places.end() &&
               (m_frame.OnPlot(start->second) || m_frame.OnPlot(end->second)) &&
               !SamePlace(start->second, end->second);
    }

    void AddLine(const std::string& from, const std::string& to, CMarks& kind) {
        const Spot start = m_places.at(from), end = m_places.at(to);
        double ax = m_frame.X(start.east), ay = m_frame.Y(start.north);
        double bx = m_frame.X(end.east), by = m_frame.Y(end.north);
        if (!m_frame.OnPlot(end)) {
            const Exit edge = ExitToward(m_frame, start, end, 0);
            bx = edge.x;
            by = edge.y;
        }
        if (!m_frame.OnPlot(start)) {
            const Exit edge = ExitToward(m_frame, end, start, 0);
            ax = edge.x;
            ay = edge.y;
        }
        kind.Line(ax, ay, bx, by);
        m_cells.TakeRay(ax, ay, bx, by);
    }

    // An arrow for a point off the plot; arrows close together share one label.
    void AddArrow(const std::string& name, const Spot& spot) {
        const Arrow arrow = OffPlanArrow(m_frame, spot, m_offPlan);
        m_cells.Take(arrow.box, CPlotCells::kMark);
        const std::string shown = Shortened(VisibleText(name), 24);
        const double distance = 4 * QuarterDistance(m_frame.Middle(), spot);
        const auto near = std::find_if(m_arrows.begin(), m_arrows.end(), [&](const ArrowGroup& group) {
            return Length(group.x - arrow.x, group.y - arrow.y) < kArrowsApart;
        });
        if (near == m_arrows.end()) {
            m_arrows.push_back({arrow.x, arrow.y, arrow.box, {shown}, {distance}});
            return;
        }
        near->box = Union(near->box, arrow.box);
        near->names.push_back(shown);
        near->distances.push_back(distance);
    }

    struct Named {
        const ImportedItem* item;  // whose name and code the label gets when its turn comes
        std::size_t names;         // in the label: more than one for arrows close together
        Label label;
    };

    const ImportedFile& m_file;
    const CProjection& m_frame;
    Places m_places;
    PlanCounts* m_counts;
    CPlotCells m_cells;
    CMarks m_rays{"rays"}, m_backsightRays{"rays backsight"}, m_points{"points"}, m_keyedIn{"keyed-in"},
        m_stations{"stations"}, m_offPlan{"off-plan"};
    std::unordered_map<std::string, Box> m_stationBoxes;
    std::vector<ArrowGroup> m_arrows;
    std::vector<Named> m_names[4];
    bool m_withCodes = false;
};

}  // namespace

bool IsBacksightReading(const ImportedItem& item) {
    return item.kind == ImportedItem::Kind::Observation && item.horizontalCircle && item.face2 && !item.targetHeight &&
           !item.verticalCircle && !item.slopeDistance && !item.north && !item.east && !item.elevation &&
           !item.keyedIn && !item.keyedInFlag && !item.code && !item.instrumentHeight && !item.pressure &&
           !item.temperature;
}

std::string PlanSvg(const ImportedFile& file, PlanCounts* counts) {
    *counts = {};
    const std::vector<PointMark> marks = PointMarks(file);
    if (marks.empty()) return {};

    // The scale and extent from the points that are not far from the rest.
    const CBulk bulk(marks);
    std::optional<Spot> low, high;
    for (const PointMark& mark : marks) {
        if (bulk.Far(mark.spot)) continue;
        if (!low) low = high = mark.spot;
        low->north = std::min(low->north, mark.spot.north);
        low->east = std::min(low->east, mark.spot.east);
        high->north = std::max(high->north, mark.spot.north);
        high->east = std::max(high->east, mark.spot.east);
    }
    const CProjection frame(low->north, high->north, low->east, high->east);

    CPlan plan(file, frame, counts);
    plan.AddStationsAndLines();
    plan.AddPoints(marks);
    const std::string names = plan.Names();

    std::string decorations;
    AddNorthArrow(decorations);
    AddScaleBar(frame, decorations);

    const std::string height = Pixel(frame.Height());
    std::string svg = std::string("<svg class=\"plan") + (plan.Dense() ? " dense" : "") +
                      "\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + Pixel(kWidth) + " " + height +
                      "\" width=\"" + Pixel(kWidth) + "\" height=\"" + height + "\" role=\"img\" aria-label=\"Plan of " +
                      EscapeHtml(VisibleText(file.path)) + "\">\n";
    svg += "<rect class=\"paper\" x=\"" + Pixel(kLeft) + "\" y=\"" + Pixel(kTop) + "\" width=\"" + Pixel(kPlotWidth) +
           "\" height=\"" + Pixel(frame.PlotHeight()) + "\"/>\n";
    AddGrid(frame, svg);
    svg += plan.Marks() + names + decorations;
    svg += "</svg>\n";
    return svg;
}

}  // namespace Tool
