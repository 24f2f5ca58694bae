// Texts and numbers as the HTML report writes them.
#pragma once

#include <string>

#include "tool/item_fields.h"

namespace Tool {

// The text with &, <, >, " and ' as character references: safe as element content and
// as a quoted attribute value, in HTML and in SVG.
std::string EscapeHtml(const std::string& utf8);

// A name or code as a person can see it, as the table shows it: quoted with escapes
// when blanks at its ends or control characters would hide. Not yet escaped for HTML.
std::string VisibleText(const std::string& utf8);

// A number with this many decimals; "nan", "inf", "-inf" bare.
std::string FixedNumber(double value, int decimals);

// One table cell's text for a field's value: numbers fixed, flags yes/no, faces 1 or 2.
std::string CellText(const FieldValue& value, int decimals);

// Characters, not bytes, of a UTF-8 text.
std::size_t CharacterCount(const std::string& utf8);

// The first `count` characters of a UTF-8 text, "…" added when it was longer.
std::string Shortened(const std::string& utf8, std::size_t count);

}  // namespace Tool
