// jxl-import's settings file: read by a path in UTF-8 (wide on Windows), and written back
// with its other lines, comments and order kept.
#pragma once

#include <string>

#include "host/settings.h"

namespace Tool {

// A missing file gives an empty store when `missingIsEmpty`; otherwise, like a file that
// cannot be read or is not of lines Key=integer, false with a one-line reason.
bool LoadSettingsFile(const std::string& path, bool missingIsEmpty, Host::CSettingsStore* store, std::string* error);

// Each Key= line takes the store's value; keys the file lacks are appended.
bool SaveSettingsFile(const std::string& path, const Host::CSettingsStore& store, std::string* error);

}  // namespace Tool
