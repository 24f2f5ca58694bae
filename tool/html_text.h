// Texts and numbers as the HTML report writes them.
#pragma once

#include <string>

#include "host/text.h"
#include "tool/item_fields.h"

namespace Tool {

// Numbers, names and their widths as every format writes them (host/text.h).
using Host::CharacterCount;
using Host::FixedNumber;
using Host::ShortestNumber;
using Host::VisibleText;

// The text with &, <, >, " and ' as character references: safe as element content and
// as a quoted attribute value, in HTML and in SVG.
std::string EscapeHtml(const std::string& utf8);

// One table cell's text for a field's value: numbers fixed, flags yes/no, faces 1 or 2.
std::string CellText(const FieldValue& value, int decimals);

// The first `count` characters of a UTF-8 text, "…" added when it was longer.
std::string Shortened(const std::string& utf8, std::size_t count);

}  // namespace Tool
