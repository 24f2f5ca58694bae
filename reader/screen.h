// A look over the text before RapidXML parses it, for what RapidXML itself handles
// unsafely.
#pragma once

#include <cstddef>

namespace Reader {

// Elements may nest this deep; the root element is level 1. RapidXML parses elements
// recursively, and a few thousand levels overflow the host thread's stack.
constexpr int kMaxNesting = 256;

// False when the zero-terminated `text` nests elements deeper than kMaxNesting, or holds
// a numeric character reference that RapidXML would misread: one above U+10FFFF, which
// its arithmetic could wrap round to a valid character, or a decimal one with letters
// among its digits. Such a text is reported like malformed XML.
//
// One pass over the text exactly as RapidXML reads it with the reader's flags, so that
// comments, CDATA, processing instructions, the DOCTYPE and attribute values are never
// taken for elements. Where RapidXML would stop with an error the look stops too and
// leaves the error to RapidXML.
//
// The look reads the text in blocks of 16 bytes: at least kScreenPadding readable bytes
// must follow its terminator.
constexpr std::size_t kScreenPadding = 16;
bool ScreenDocument(const char* text);

}  // namespace Reader
