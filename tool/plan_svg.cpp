#include "tool/plan_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
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

// Codes stay readable under the names only on a plan with this few points.
constexpr std::size_t kCodesUpTo = 100;
// Beyond these, marks are drawn finer.
constexpr std::size_t kDenseRays = 2000;
constexpr std::size_t kDensePoints = 3000;
// Label cells: a name is written only where every cell it covers is still free.
constexpr double kCell = 8;
constexpr double kNameFont = 11;
constexpr double kCodeFont = 9;

struct Spot {
    double north;
    double east;
};

std::optional<Spot> SpotOf(const ImportedItem& item) {
    if (item.kind != ImportedItem::Kind::Point || !item.north || !item.east) return std::nullopt;
    if (!std::isfinite(*item.north) || !std::isfinite(*item.east)) return std::nullopt;
    return Spot{*item.north, *item.east};
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

    double Scale() const { return m_scale; }
    double PlotHeight() const { return m_plotHeight; }
    double Height() const { return kTop + m_plotHeight + kBottom; }

private:
    double m_midNorth, m_midEast, m_scale, m_plotHeight;
};

// Where labels are, in cells of the plot; a label goes only where nothing is yet.
class CLabelCells {
public:
    explicit CLabelCells(double plotHeight)
        : m_columns(static_cast<int>(std::ceil(kPlotWidth / kCell))),
          m_rows(static_cast<int>(std::ceil(plotHeight / kCell))),
          m_taken(static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(m_rows), false) {}

    // Takes the box's cells when all are free and inside the plot.
    bool Take(double left, double top, double right, double bottom) {
        const int c0 = static_cast<int>(std::floor((left - kLeft) / kCell));
        const int c1 = static_cast<int>(std::floor((right - kLeft) / kCell));
        const int r0 = static_cast<int>(std::floor((top - kTop) / kCell));
        const int r1 = static_cast<int>(std::floor((bottom - kTop) / kCell));
        if (c0 < 0 || r0 < 0 || c1 >= m_columns || r1 >= m_rows) return false;
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c)
                if (m_taken[Index(r, c)]) return false;
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) m_taken[Index(r, c)] = true;
        return true;
    }

private:
    std::size_t Index(int row, int column) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) + static_cast<std::size_t>(column);
    }

    int m_columns, m_rows;
    std::vector<bool> m_taken;
};

// A code as a label: without the feature attributes the plug-in appends after " /".
std::string CodeLabel(const std::string& code) {
    const std::size_t attributes = code.find(" /");
    return Shortened(VisibleText(attributes == std::string::npos ? code : code.substr(0, attributes)), 20);
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

// Names of the points, stations' first, then keyed-in ones, then the rest in the order
// they came: each written to the right of its mark where it covers no other label.
std::string Labels(const ImportedFile& file, const CProjection& frame, CLabelCells& cells, PlanCounts* counts) {
    std::unordered_set<std::string> stationNames;
    for (const ImportedItem& item : file.items)
        if (item.kind == ImportedItem::Kind::Station) stationNames.insert(item.name);
    std::vector<const ImportedItem*> order[3];
    std::size_t withSpot = 0;
    for (const ImportedItem& item : file.items) {
        if (!SpotOf(item)) continue;
        ++withSpot;
        order[stationNames.count(item.name) ? 0 : item.keyedIn ? 1 : 2].push_back(&item);
    }
    counts->codes = withSpot <= kCodesUpTo;

    std::unordered_set<std::string> seen;  // name and place: a point given twice is named once
    std::string out = "<g class=\"labels\">";
    for (const auto& group : order) {
        for (const ImportedItem* item : group) {
            const double x = frame.X(item->east.value()), y = frame.Y(item->north.value());
            std::string key = item->name;
            key += '\0';
            AppendPixel(key, x);
            key += ' ';
            AppendPixel(key, y);
            if (!seen.insert(std::move(key)).second) continue;
            ++counts->names;
            const std::string name = Shortened(VisibleText(item->name), 24);
            const std::string code = counts->codes && item->code ? CodeLabel(*item->code) : std::string();
            const double width = std::max(CharacterCount(name) * kNameFont * 0.6,
                                          CharacterCount(code) * kCodeFont * 0.6);
            const double bottom = y + (code.empty() ? 6 : 6 + kCodeFont + 1);
            if (!cells.Take(x + 7, y - 6, x + 8 + width, bottom)) continue;
            ++counts->labels;
            out += "<text x=\"" + Pixel(x + 8) + "\" y=\"" + Pixel(y + 4) + "\">" + EscapeHtml(name);
            if (!code.empty())
                out += "<tspan class=\"code\" x=\"" + Pixel(x + 8) + "\" dy=\"" + Pixel(kCodeFont + 1) + "\">" +
                       EscapeHtml(code) + "</tspan>";
            out += "</text>";
        }
    }
    return out + "</g>\n";
}

}  // namespace

bool IsBacksightReading(const ImportedItem& item) {
    return item.kind == ImportedItem::Kind::Observation && item.horizontalCircle && item.face2 && !item.targetHeight &&
           !item.verticalCircle && !item.slopeDistance && !item.north && !item.east && !item.elevation &&
           !item.keyedIn && !item.keyedInFlag && !item.code && !item.instrumentHeight && !item.pressure &&
           !item.temperature;
}

std::string PlanSvg(const ImportedFile& file, PlanCounts* counts) {
    *counts = {};
    // Each name's place: the last point of that name with north and east, as the host
    // keeps the coordinates it was given last.
    std::unordered_map<std::string, Spot> places;
    std::optional<Spot> low, high;
    for (const ImportedItem& item : file.items) {
        const std::optional<Spot> spot = SpotOf(item);
        if (!spot) continue;
        places[item.name] = *spot;
        if (!low) low = high = spot;
        low->north = std::min(low->north, spot->north);
        low->east = std::min(low->east, spot->east);
        high->north = std::max(high->north, spot->north);
        high->east = std::max(high->east, spot->east);
    }
    if (!low) return {};
    const CProjection frame(low->north, high->north, low->east, high->east);

    // The backsight of each set-up: the names its backsight readings name. Every
    // observation from that set-up to such a name is a ray to the backsight.
    std::set<std::pair<std::size_t, std::string>> backsights;
    std::optional<std::size_t> station;
    for (std::size_t i = 0; i < file.items.size(); ++i) {
        const ImportedItem& item = file.items[i];
        if (item.kind == ImportedItem::Kind::Station) station = i;
        if (station && IsBacksightReading(item)) backsights.emplace(*station, item.name);
    }

    CMarks rays("rays"), backsightRays("rays backsight"), points("points"), keyedIn("keyed-in"), stations("stations");
    station.reset();
    for (std::size_t i = 0; i < file.items.size(); ++i) {
        const ImportedItem& item = file.items[i];
        if (item.kind == ImportedItem::Kind::Station) {
            station = i;
            const auto place = places.find(item.name);
            if (place != places.end())
                stations.Mark(frame.X(place->second.east), frame.Y(place->second.north) - 8) += "l7 12h-14z";
        } else if (item.kind == ImportedItem::Kind::Observation && station) {
            const auto from = places.find(file.items[*station].name);
            const auto to = places.find(item.name);
            if (from == places.end() || to == places.end()) continue;
            CMarks& kind = backsights.count({*station, item.name}) ? backsightRays : rays;
            kind.Line(frame.X(from->second.east), frame.Y(from->second.north), frame.X(to->second.east),
                      frame.Y(to->second.north));
        } else if (const std::optional<Spot> spot = SpotOf(item)) {
            if (item.keyedIn)
                keyedIn.Mark(frame.X(spot->east) - 3.5, frame.Y(spot->north) - 3.5) += "h7v7h-7z";
            else
                points.Mark(frame.X(spot->east), frame.Y(spot->north)) += "h0";
        }
    }

    CLabelCells cells(frame.PlotHeight());
    std::string decorations;
    AddNorthArrow(decorations);
    AddScaleBar(frame, decorations);
    const std::string labels = Labels(file, frame, cells, counts);

    counts->points = points.count + keyedIn.count;
    counts->keyedIn = keyedIn.count;
    counts->stations = stations.count;
    counts->rays = rays.count + backsightRays.count;
    counts->backsightRays = backsightRays.count;

    const std::string height = Pixel(frame.Height());
    // Many rays: thinner and fainter, so that the points stay visible through them.
    const bool dense = counts->rays > kDenseRays || counts->points > kDensePoints;
    std::string svg = std::string("<svg class=\"plan") + (dense ? " dense" : "") + "\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + Pixel(kWidth) + " " +
                      height + "\" width=\"" + Pixel(kWidth) + "\" height=\"" + height + "\" role=\"img\" aria-label=\"Plan of " +
                      EscapeHtml(VisibleText(file.path)) + "\">\n";
    svg += "<rect class=\"paper\" x=\"" + Pixel(kLeft) + "\" y=\"" + Pixel(kTop) + "\" width=\"" + Pixel(kPlotWidth) +
           "\" height=\"" + Pixel(frame.PlotHeight()) + "\"/>\n";
    AddGrid(frame, svg);
    svg += rays.Element() + backsightRays.Element() + points.Element() + keyedIn.Element() + stations.Element();
    svg += labels + decorations;
    svg += "</svg>\n";
    return svg;
}

}  // namespace Tool
