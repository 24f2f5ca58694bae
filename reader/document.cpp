// The walk over one document: parse, note the encoding, find the root, and hand the
// sections' records to their handlers in document order.
#include "platform/large_memory.h"
#include "reader/file_memory.h"
#include "reader/parser.h"
#include "xml/screen.h"
#include "resources/resource_string.h"

namespace Reader {
namespace {

XmlNode* FirstDeclaration(const XmlDocument& document) {
    for (XmlNode* node = document.first_node(); node; node = node->next_sibling())
        if (node->type() == rapidxml::node_declaration) return node;
    return nullptr;
}

#ifndef JXL_REFERENCE_READER

// The name of the element whose tag opens at `open`, as RapidXML reads it.
std::string_view ElementName(const char* open) {
    const char* const name = open + 1;
    const char* end = name;
    while (rapidxml::internal::lookup_tables<0>::lookup_node_name[static_cast<unsigned char>(*end)]) ++end;
    return {name, static_cast<std::size_t>(end - name)};
}

// One part of the buffer at a time parsed in place on its own, into the one document
// object: the tree of a record lives only while the record is walked, in the document's
// own first 64 KiB, which stay in the cache. The byte after the part, which belongs to
// what surrounds it, is the part's terminator while RapidXML reads it; no string of the
// tree reaches it, so it is put back at once.
class CPartParser {
public:
    explicit CPartParser(char* buffer) : m_buffer(buffer) {
        m_document.set_allocator(&Platform::AllocateLarge, &Platform::FreeLarge);
    }

    XmlNode* Parse(const TextSpan& part) {
        char* const end = m_buffer + part.end;
        const struct Restore {
            char* at;
            char byte;
            ~Restore() { *at = byte; }
        } restore{end, *end};
        *end = '\0';
        m_document.clear();
        FileMemory([&] { m_document.parse<kParseFlags>(m_buffer + part.begin); });
        XmlNode* node = m_document.first_node();
        if (!node) throw rapidxml::parse_error("expected a node", m_buffer + part.begin);
        return node;
    }

private:
    char* const m_buffer;
    XmlDocument m_document;
};

#endif

}  // namespace

void CParser::ParseDocument(char* buffer) {
    DocumentOutline outline;
    const Screened screened = FileMemory([&] { return ScreenDocument(buffer, outline); });
    if (screened == Screened::Refused) {
        ReportFormatError();
        return;
    }
#ifndef JXL_REFERENCE_READER
    // A text that RapidXML parses without an error is parsed a record at a time; any
    // other is left to RapidXML whole, which tells exactly what it makes of it.
    if (screened == Screened::WellFormed) {
        try {
            ParseOutline(buffer, outline);
        } catch (const rapidxml::parse_error&) {
            // Only if the screen and RapidXML disagreed about a part: the file is badly
            // formed all the same.
            ReportFormatError();
        }
        return;
    }
#endif
    ParseWhole(buffer);
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
void CParser::ParseOutline(char* buffer, const DocumentOutline& outline) {
    m_receiver->SetProgress(50.0f);
    CPartParser parts(buffer);
    if (outline.declaration) NoteEncoding(parts.Parse(*outline.declaration));

    if (!outline.root) {
        ReportFormatError();
        return;
    }
    if (m_flags->ParseFieldBookNode) {
        if (outline.fieldBook) {
            RegisterHandlers();
            // Only a record that has a handler needs its tree.
            for (const TextSpan& record : outline.fieldBookChildren)
                if (const Handler* handler = HandlerFor(ElementName(buffer + record.begin)))
                    (*handler)(parts.Parse(record));
        } else {
            ReportFormatError();
        }
    }
    if (m_flags->ParseReductionsNode) {
        if (outline.reductions) {
            for (const TextSpan& point : outline.reductionsChildren)
                if (ElementName(buffer + point.begin) == "Point") ParseReductionsPoint(parts.Parse(point));
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
