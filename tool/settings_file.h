// jxl-import's settings file: read by a path in UTF-8 (wide on Windows), and written back
// with its other lines, comments and order kept.
#pragma once

#include <string>
#include <vector>

#include "host/settings.h"

namespace Tool {

// The keys the plug-in reads, in the order it reads them.
const std::vector<std::string>& PluginSettingsKeys();

// A missing file gives an empty store when `missingIsEmpty`. A file that cannot be read,
// or a line that is not Key=integer, gives false with a one-line reason. A line the
// plug-in will not read as it seems to say (a key it does not know, a known key in other
// letter case, a value other than 0 or 1) is stored as it is and gives a warning
// "PATH:LINE: ..." naming the keys the plug-in reads.
bool LoadSettingsFile(const std::string& path, bool missingIsEmpty, Host::CSettingsStore* store,
                      std::vector<std::string>* warnings, std::string* error);

// Each Key= line takes the store's value (its comment kept); keys the file lacks are
// appended. The file is replaced whole or not at all.
bool SaveSettingsFile(const std::string& path, const Host::CSettingsStore& store, std::string* error);

}  // namespace Tool
