// The plan of one imported file: where its points lie and from which set-ups they were
// observed, as an SVG element for the HTML report.
#pragma once

#include <cstddef>
#include <string>

#include "tool/import_summary.h"

namespace Tool {

// What a plan shows, counted as it was drawn.
struct PlanCounts {
    std::size_t points = 0;         // every point with north and east: one mark each
    std::size_t keyedIn = 0;        //   of which keyed in
    std::size_t stations = 0;       // stations whose name a point with coordinates has
    std::size_t rays = 0;           // observations from such a station to such a point
    std::size_t backsightRays = 0;  //   of which to the station's backsight
    std::size_t names = 0;          // distinct names at distinct places
    std::size_t labels = 0;         //   of which written: the rest would cover others
    bool codes = false;             // codes written under the names
};

// An observation that carries a horizontal circle and its face and nothing else: what a
// backsight record gives the host. A point record whose circle holds only those two
// gives the same calls, and reads as a backsight too.
bool IsBacksightReading(const ImportedItem& item);

// The file's plan as an <svg> element; an empty text when no point has north and east.
std::string PlanSvg(const ImportedFile& file, PlanCounts* counts);

}  // namespace Tool
