// jxl-import's outputs, each a whole text for standard output.
#pragma once

#include <string>
#include <vector>

#include "host/calls.h"
#include "tool/import_summary.h"

namespace Tool {

std::string FormatTable(const std::vector<ImportedFile>& files);
std::string FormatCsv(const std::vector<ImportedFile>& files);
std::string FormatJson(const std::vector<ImportedFile>& files);
std::string FormatCalls(const Host::CallLog& calls);

}  // namespace Tool
