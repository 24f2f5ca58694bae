#include "reader/parser.h"

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

std::optional<double> CParser::ParseValue(Plugin::IValueParser* parser, const CDecodedText& text, double& output) {
    if (!parser->Parse(text.c_str(), &output)) return std::nullopt;
    return output;
}

}  // namespace Reader
