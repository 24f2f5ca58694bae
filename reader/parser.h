// The reader of one file: it walks the parsed document and hands its records to the
// host's receiver.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reader/decode.h"
#include "reader/import_flags.h"
#include "xml/screen.h"
#include "xml/xml.h"
#include "sdk/interfaces.h"
#include "sdk/ref_ptr.h"

namespace Reader {

struct AtmosphereEntry {
    std::optional<double> pressure;
    std::optional<double> temperature;
};

struct TargetEntry {
    std::optional<double> prismConstant;
    std::optional<double> targetHeight;
};

// The feature attributes of a point as its code text takes them: "/name=value" for each,
// in document order.
struct AttributeList {
    Plugin::WString text;
    std::size_t count = 0;
    bool empty() const { return count == 0; }
    void clear() {
        text.clear();
        count = 0;
    }
};

class CParser {
public:
    using Handler = std::function<void(XmlNode*)>;
    using ReceiverSetter = void (Plugin::IImportReceiver::*)(double);

    // Obtains the four value parsers from the receiver's factory.
    CParser(Plugin::IImportReceiver* receiver, const ImportFlags* flags);
    ~CParser();
    CParser(const CParser&) = delete;
    CParser& operator=(const CParser&) = delete;

    // Parses the zero-terminated `buffer` in place and walks it. Badly formed files are
    // reported to the receiver, not thrown.
    void ParseDocument(char* buffer);

private:
    // File text as wide text, in the encoding the declaration named.
    CDecodedText DecodeText(const char* text) const { return CDecodedText(text, m_codePage); }
    // The text of the first child element (or attribute) of this name; the empty text
    // when there is none, which every handler treats as it treats an empty one.
    CDecodedText DecodeChild(const XmlNode* parent, std::string_view name) const {
        const XmlNode* child = FirstChild(parent, name);
        return DecodeText(child ? child->value() : "");
    }
    CDecodedText DecodeAttribute(const XmlNode* node, std::string_view name) const {
        const XmlAttribute* attribute = FirstAttribute(node, name);
        return DecodeText(attribute ? attribute->value() : "");
    }

    // The document parsed whole, or (from a text the screen found well formed) a record
    // at a time; the walk is the same.
    void ParseWhole(char* buffer);
    void ParseOutline(char* buffer, const DocumentOutline& outline);
    void NoteEncoding(const XmlNode* declaration);
    void ParseFieldBook(XmlNode* root);
    void ParseReductions(XmlNode* root);
    void ReportFormatError();

    // Registers the record handlers; an element name that has one keeps it.
    void RegisterHandlers();
    void RegisterHandler(std::string name, Handler handler);
    // The handler registered under the name, if any, and a call of the node's.
    const Handler* HandlerFor(std::string_view name) const;
    void Dispatch(XmlNode* node);

    // Record handlers.
    void ParsePointRecord(XmlNode* record);
    void ParseStationRecord(XmlNode* record);
    void ParseAtmosphereRecord(XmlNode* record);
    void ParseBackBearingRecord(XmlNode* record);
    void ParseTargetRecord(XmlNode* record);
    void ParseReductionsPoint(XmlNode* point);

    // Readers the handlers share.
    bool ParseCircle(XmlNode* record, const CDecodedText& name);
    void ParseGrid(XmlNode* grid);
    void ParseFeatures(XmlNode* features, AttributeList& attributes);
    void ForwardLinearValue(const char* text, ReceiverSetter setter);
    void SetCode(const CDecodedText& code, const AttributeList& attributes);
    void MarkKeyedInIfSo(XmlNode* record);

    // A text through a value parser, even an empty one: what the parser wrote into `output`
    // when it accepts the text, nothing when it rejects it. The parser is handed `output` as
    // it stands: as the caller set it, or as a parse before left it, in a record whose
    // values share one.
    static std::optional<double> ParseValue(Plugin::IValueParser* parser, const CDecodedText& text, double& output);
    std::optional<double> ParseValue(Plugin::IValueParser* parser, XmlNode* element, double& output) const {
        return ParseValue(parser, DecodeText(element->value()), output);
    }
    // An output of its own, set to 0.0.
    std::optional<double> ParseValue(Plugin::IValueParser* parser, XmlNode* element) const {
        double output = 0.0;
        return ParseValue(parser, element, output);
    }

    Plugin::IImportReceiver* m_receiver;
    Plugin::CRefPtr<Plugin::IValueParser> m_linearParser;
    Plugin::CRefPtr<Plugin::IValueParser> m_angleParser;
    Plugin::CRefPtr<Plugin::IValueParser> m_temperatureParser;
    Plugin::CRefPtr<Plugin::IValueParser> m_pressureParser;
    std::map<std::string, Handler, std::less<>> m_handlers;
    std::map<Plugin::WString, AtmosphereEntry, std::less<>> m_atmospheres;
    std::map<Plugin::WString, TargetEntry, std::less<>> m_targets;
    // Kept from record to record, so that their memory serves every point.
    AttributeList m_attributes;
    Plugin::WString m_code;
    const ImportFlags* m_flags;
    Plugin::WString m_encoding;
    UINT m_codePage = CP_UTF8;  // follows m_encoding
};

}  // namespace Reader
