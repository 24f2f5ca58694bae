// The walk over one document: parse, note the encoding, find the root, and hand the
// sections' records to their handlers in document order.
#include "platform/large_memory.h"
#include "reader/parser.h"
#include "reader/screen.h"
#include "resources/resource_string.h"

namespace Reader {
namespace {

XmlNode* FirstDeclaration(const XmlDocument& document) {
    for (XmlNode* node = document.first_node(); node; node = node->next_sibling())
        if (node->type() == rapidxml::node_declaration) return node;
    return nullptr;
}

}  // namespace

void CParser::ParseDocument(char* buffer) {
    if (!ScreenDocument(buffer)) {
        ReportFormatError();
        return;
    }
    XmlDocument document;
    document.set_allocator(&Platform::AllocateLarge, &Platform::FreeLarge);
    try {
        document.parse<kParseFlags>(buffer);
    } catch (const rapidxml::parse_error&) {
        ReportFormatError();
        return;
    }
    m_receiver->SetProgress(50.0f);

    if (XmlNode* declaration = FirstDeclaration(document)) {
        if (XmlAttribute* encoding = FirstAttribute(declaration, "encoding")) {
            // Read as UTF-8: no encoding is known yet.
            m_encoding = DecodeText(encoding->value()).view();
            m_codePage = CodePageForEncoding(m_encoding);
        }
    }

    XmlNode* root = FirstChild(&document, "JOBFile");
    if (!root) {
        ReportFormatError();
        return;
    }
    if (m_flags->ParseFieldBookNode) ParseFieldBook(root);
    if (m_flags->ParseReductionsNode) ParseReductions(root);
}

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
