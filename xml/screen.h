// A look over the text before RapidXML parses it, for what RapidXML itself handles
// unsafely. The reader's, and jxl-import's when it asks RapidXML why a file was refused: it
// must never hand RapidXML a text the reader would not.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace Reader {

// Elements may nest this deep; the root element is level 1. RapidXML parses elements
// recursively, and a few thousand levels overflow the host thread's stack.
constexpr int kMaxNesting = 256;

// Where the parts of the document that the walk reads lie in the text, each from its '<'
// to just past its closing '>': the first declaration among the top-level nodes, and the
// child elements of the first FieldBook and of the first Reductions inside the first
// top-level element named JOBFile.
struct TextSpan {
    std::size_t begin, end;  // offsets into the text
};
struct DocumentOutline {
    std::optional<TextSpan> declaration;
    bool root = false;  // a top-level JOBFile
    bool fieldBook = false, reductions = false;
    std::vector<TextSpan> fieldBookChildren, reductionsChildren;

    // For a refused text, what was refused and where: the '<' of the element one level too
    // deep, or the '&' of the character reference.
    enum class Refusal { None, Nesting, CharacterReference };
    Refusal refusal = Refusal::None;
    std::size_t refusedAt = 0;
};

enum class Screened {
    WellFormed,  // RapidXML parses the text without an error
    Malformed,   // RapidXML stops with an error
    Refused,     // RapidXML would misread the text, or overflow the stack
};

// One pass over the zero-terminated `text` exactly as RapidXML reads it with the reader's
// flags, so that comments, CDATA, processing instructions, the DOCTYPE and attribute
// values are never taken for elements; it stops where RapidXML would stop with an error.
// It reads nothing past the terminator.
//
// Refused: the text nests elements deeper than kMaxNesting, or holds a numeric character
// reference that RapidXML would misread: one above U+10FFFF, which its arithmetic could
// wrap round to a valid character, or a decimal one with letters among its digits. Such
// a text is reported like malformed XML.
//
// For a text it finds well formed, `outline` holds where its parts are, so that each can
// be parsed on its own; otherwise it holds what was seen before the look stopped.
Screened ScreenDocument(const char* text, DocumentOutline& outline);

}  // namespace Reader
