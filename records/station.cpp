// StationRecord: an instrument set-up, with its height and the atmosphere it names.
#include "reader/parser.h"

namespace Reader {

void CParser::ParseStationRecord(XmlNode* record) {
    const CDecodedText name = DecodeChild(record, "StationName");
    if (name.empty()) return;
    m_receiver->AddStation(name.c_str());

    if (XmlNode* height = FirstChild(record, "TheodoliteHeight"))
        if (const auto value = ParseValue(m_linearParser.Get(), height)) m_receiver->SetInstrumentHeight(*value);

    // No ID is empty: a missing AtmosphereID finds nothing.
    const auto found = m_atmospheres.find(DecodeChild(record, "AtmosphereID").view());
    if (found == m_atmospheres.end()) return;
    const AtmosphereEntry& atmosphere = found->second;
    if (atmosphere.pressure) m_receiver->SetPressure(*atmosphere.pressure);
    if (atmosphere.temperature) m_receiver->SetTemperature(*atmosphere.temperature);
}

}  // namespace Reader
