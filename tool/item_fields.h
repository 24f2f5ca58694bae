// The values an item can carry, in the order the output formats show them.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "tool/import_summary.h"

namespace Tool {

// A number, a flag, a face (1 or 2) or a text.
using FieldValue = std::variant<double, bool, int, std::string>;

struct ItemField {
    const char* key;      // CSV column and JSON member
    const char* heading;  // table column; nullptr: not in the table
    int decimals;         // table precision of a number
    int width;            // table column: what a usual value needs; a longer one pushes the row on
    std::optional<FieldValue> (*read)(const ImportedItem& item);
    std::optional<double> ImportedItem::*member = nullptr;  // a number's, read without a FieldValue
};

const std::vector<ItemField>& ItemFields();

}  // namespace Tool
