// The plan of one imported file: where its points lie and from which set-ups they were
// observed, as an SVG element for the HTML report.
#pragma once

#include <cstddef>
#include <string>

#include "tool/import_summary.h"

namespace Tool {

// What a plan shows, counted as it was drawn: a point given again with the same name and
// coordinates, a station set up again, an observation repeated are one mark each.
struct PlanCounts {
    std::size_t points = 0;        // every point mark: one per name and place
    std::size_t keyedIn = 0;       //   of which keyed-in points, squares
    std::size_t offPlan = 0;       //   of which far from the rest, arrows at the plan's edge
    std::size_t stations = 0;      // station marks: one per name set up on
    std::size_t setUps = 0;        //   the set-ups made on them
    std::size_t foresights = 0;    // lines from a station to a point it observed
    std::size_t backsights = 0;    // lines from a station to its backsight, dashed
    std::size_t rays = 0;          // observations those lines stand for
    std::size_t backsightRays = 0; //   of which on backsight lines
    std::size_t names = 0;         // names to write: one per point mark at its own place
    std::size_t labels = 0;        //   of which written; the rest would cover a name or a mark
    bool codes = false;            // codes written under some of them
};

// An observation that carries a horizontal circle and its face and nothing else: what a
// backsight record gives the host. A point record whose circle holds only those two
// gives the same calls, and reads as a backsight too.
bool IsBacksightReading(const ImportedItem& item);

// The file's plan as an <svg> element; an empty text when no point has north and east.
std::string PlanSvg(const ImportedFile& file, PlanCounts* counts);

}  // namespace Tool
