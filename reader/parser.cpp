#include "reader/parser.h"

#include <algorithm>

namespace Reader {

CParser::CParser(Plugin::IImportReceiver* receiver, const ImportFlags* flags)
    : m_receiver(receiver), m_flags(flags) {
    Plugin::CRefPtr<Plugin::IValueParserFactory> factory;
    factory.Attach(m_receiver->GetValueParserFactory());
    m_linearParser.Attach(factory->CreateLinearParser(Plugin::kLinearParserKind));
    m_angleParser.Attach(factory->CreateAngleParser(Plugin::kAngleParserKind));
    m_pressureParser.Attach(factory->CreatePressureParser(Plugin::kPressureParserKind));
    m_temperatureParser.Attach(factory->CreateTemperatureParser(Plugin::kTemperatureParserKind));
}

// Members go in reverse order: the tables, then the parsers from pressure to linear.
CParser::~CParser() = default;

void CParser::RegisterHandlers() {
    RegisterHandler("PointRecord", [this](XmlNode* node) { ParsePointRecord(node); });
    RegisterHandler("StationRecord", [this](XmlNode* node) { ParseStationRecord(node); });
    RegisterHandler("AtmosphereRecord", [this](XmlNode* node) { ParseAtmosphereRecord(node); });
    RegisterHandler("BackBearingRecord", [this](XmlNode* node) { ParseBackBearingRecord(node); });
    RegisterHandler("TargetRecord", [this](XmlNode* node) { ParseTargetRecord(node); });
}

void CParser::RegisterHandler(std::string name, Handler handler) {
    m_handlers.emplace(std::move(name), std::move(handler));
}

const CParser::Handler* CParser::HandlerFor(std::string_view name) const {
    const auto found = m_handlers.find(name);
    return found == m_handlers.end() ? nullptr : &found->second;
}

void CParser::Dispatch(XmlNode* node) {
    if (const Handler* handler = HandlerFor(NameOf(node))) (*handler)(node);
}

bool CParser::TextIs(const char* text, std::string_view ascii) const {
    std::size_t same = 0;
    while (same < ascii.size() && text[same] == ascii[same]) ++same;
    if (same == ascii.size() && text[same] == '\0') return true;
    for (const char* byte = text + same; *byte != '\0'; ++byte) {
        if (static_cast<unsigned char>(*byte) >= 0x80) {
            const CDecodedText decodedText = DecodeText(text);
            const Plugin::WStringView decoded = decodedText.view();
            return decoded.size() == ascii.size() &&
                   std::equal(decoded.begin(), decoded.end(), ascii.begin(),
                              [](Plugin::WChar wide, char narrow) { return wide == static_cast<unsigned char>(narrow); });
        }
    }
    return false;
}

std::optional<double> CParser::ParseValue(Plugin::IValueParser* parser, const CDecodedText& text, double& output) {
    if (!parser->Parse(text.c_str(), &output)) return std::nullopt;
    return output;
}

}  // namespace Reader
