// What one import gave the host, file by file and item by item, read from its calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/calls.h"

namespace Tool {

// One item opened by AddStation, AddObservation or AddPoint, with the values that the
// setting calls after it carried. A setting call with no item open gets an item of
// kind None, so that nothing the plug-in sent goes unseen.
struct ImportedItem {
    enum class Kind { Station, Observation, Point, None };

    Kind kind = Kind::None;
    std::string name;
    std::optional<std::string> station;  // observations: the station opened before them

    std::optional<double> instrumentHeight, pressure, temperature;
    std::optional<double> targetHeight, horizontalCircle, verticalCircle, slopeDistance;
    std::optional<bool> face2;
    std::optional<double> north, east, elevation;
    bool keyedIn = false;  // MarkKeyedIn
    std::optional<bool> keyedInFlag;
    std::optional<std::string> code;
};

struct ImportedFile {
    std::string path;
    std::vector<std::string> messages;
    std::optional<std::int32_t> result;  // SetResult
    std::vector<double> progress;
    std::vector<ImportedItem> items;
};

std::vector<ImportedFile> SummariseImport(const Host::CallLog& calls);

const char* KindName(ImportedItem::Kind kind);  // "station", "observation", "point", "none"

}  // namespace Tool
