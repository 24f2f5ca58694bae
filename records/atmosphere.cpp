// AtmosphereRecord: pressure and temperature kept by ID for the stations that follow.
#include "reader/parser.h"

namespace Reader {

void CParser::ParseAtmosphereRecord(XmlNode* record) {
    const CDecodedText id = DecodeAttribute(record, "ID");
    if (id.empty()) return;
    XmlNode* pressure = FirstChild(record, "Pressure");
    XmlNode* temperature = FirstChild(record, "Temperature");
    if (!pressure && !temperature) return;

    // Both texts are parsed even when the ID is taken: the first record of an ID wins.
    // They share one output, set to 0.0 once for the record, as for a target.
    AtmosphereEntry entry;
    double output = 0.0;
    if (pressure) entry.pressure = ParseValue(m_pressureParser.Get(), pressure, output);
    if (temperature) entry.temperature = ParseValue(m_temperatureParser.Get(), temperature, output);
    if (m_atmospheres.find(id.view()) == m_atmospheres.end())
        m_atmospheres.emplace(Plugin::WString(id.view()), entry);
}

}  // namespace Reader
