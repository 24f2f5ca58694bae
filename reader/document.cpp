// The walk over one document: parse, note the encoding, find the root, and hand the
// sections' records to their handlers in document order.
#include "platform/large_memory.h"
#include "reader/file_memory.h"
#include "reader/parser.h"
#include "reader/part_source.h"
#include "reader/screen.h"
#include "reader/text_window.h"
#include "resources/resource_string.h"

namespace Reader {
namespace {

XmlNode* FirstDeclaration(const XmlDocument& document) {
    for (XmlNode* node = document.first_node(); node; node = node->next_sibling())
        if (node->type() == rapidxml::node_declaration) return node;
    return nullptr;
}

}  // namespace

void CParser::ParseFile(CTextWindow& text) {
#ifdef JXL_REFERENCE_READER
    FileMemory([&] { text.ReadWhole(); });
#endif
    DocumentOutline outline;
    Screened screened = FileMemory([&] { return ScreenDocument(text, outline); });
#ifndef JXL_REFERENCE_READER
    // A text that RapidXML parses without an error is parsed a record at a time; any
    // other is left to RapidXML whole, which tells exactly what it makes of it. That is
    // the text as read again, which the screen looks at again first.
    if (screened == Screened::WellFormed) {
        try {
            ParseOutline(text, outline);
        } catch (const rapidxml::parse_error&) {
            // Only if the screen and RapidXML disagreed about a part: the file is badly
            // formed all the same.
            ReportFormatError();
        } catch (const CFileChanged&) {
            // What the screen read is no longer there to be parsed.
            ReportFormatError();
        }
        return;
    }
    if (screened == Screened::Malformed) {
        FileMemory([&] { text.ReadWhole(); });
        outline = DocumentOutline();
        screened = FileMemory([&] { return ScreenDocument(text, outline); });
    }
#endif
    if (screened == Screened::Refused) {
        ReportFormatError();
        return;
    }
    ParseWhole(text.Begin());
}

void CParser::ParseWhole(char* buffer) {
    XmlDocument document;
    document.set_allocator(&Platform::AllocateLarge, &Platform::FreeLarge);
    try {
        FileMemory([&] { document.parse<kParseFlags>(buffer); });
    } catch (const rapidxml::parse_error&) {
        ReportFormatError();
        return;
    }
    m_receiver->SetProgress(50.0f);

    if (XmlNode* declaration = FirstDeclaration(document)) NoteEncoding(declaration);

    XmlNode* root = FirstChild(&document, "JOBFile");
    if (!root) {
        ReportFormatError();
        return;
    }
    if (m_flags->ParseFieldBookNode) ParseFieldBook(root);
    if (m_flags->ParseReductionsNode) ParseReductions(root);
}

void CParser::NoteEncoding(const XmlNode* declaration) {
    if (XmlAttribute* encoding = FirstAttribute(declaration, "encoding")) {
        // Read as UTF-8: no encoding is known yet.
        m_encoding = DecodeText(encoding->value()).view();
        m_codePage = CodePageForEncoding(m_encoding);
    }
}

#ifndef JXL_REFERENCE_READER

// The same steps as for the whole tree, over the outline the screen made.
void CParser::ParseOutline(CTextWindow& text, const DocumentOutline& outline) {
    m_receiver->SetProgress(50.0f);
    if (const std::optional<TextSpan>& declaration = outline.declaration) {
        CPartParser parser;
        NoteEncoding(parser.Parse(text.Bring(declaration->begin, declaration->end), declaration->end - declaration->begin));
    }
    if (!outline.root) {
        ReportFormatError();
        return;
    }

    // Only a record that has a handler needs its tree.
    const bool fieldBook = m_flags->ParseFieldBookNode && outline.fieldBook;
    const bool reductions = m_flags->ParseReductionsNode && outline.reductions;
    if (fieldBook) RegisterHandlers();
    std::vector<PartRun> runs;
    if (fieldBook)
        runs.push_back({&outline.fieldBookChildren, [this](std::string_view name) { return HandlerFor(name) != nullptr; }});
    if (reductions) runs.push_back({&outline.reductionsChildren, [](std::string_view name) { return name == "Point"; }});
    CPartSource parts(text, std::move(runs));

    if (m_flags->ParseFieldBookNode) {
        if (fieldBook) {
            while (XmlNode* record = parts.Next()) Dispatch(record);
        } else {
            ReportFormatError();
        }
    }
    if (m_flags->ParseReductionsNode) {
        if (reductions) {
            while (XmlNode* point = parts.Next()) ParseReductionsPoint(point);
        } else {
            ReportFormatError();
        }
    }
}

#endif

void CParser::ParseFieldBook(XmlNode* root) {
    XmlNode* fieldBook = FirstChild(root, "FieldBook");
    if (!fieldBook) {
        ReportFormatError();
        return;
    }
    RegisterHandlers();
    for (XmlNode* record = fieldBook->first_node(); record; record = record->next_sibling()) Dispatch(record);
}

void CParser::ParseReductions(XmlNode* root) {
    XmlNode* reductions = FirstChild(root, "Reductions");
    if (!reductions) {
        ReportFormatError();
        return;
    }
    for (XmlNode* point = reductions->first_node(); point; point = point->next_sibling())
        if (NameOf(point) == "Point") ParseReductionsPoint(point);
}

void CParser::ReportFormatError() {
    m_receiver->SetResult(-1);
    m_receiver->ShowMessage(Resources::LoadText(IDS_BAD_FILE_FORMAT).c_str());
}

}  // namespace Reader
