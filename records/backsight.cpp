// BackBearingRecord: one observation to the backsight, face 1 reading preferred.
#include "reader/parser.h"

namespace Reader {

void CParser::ParseBackBearingRecord(XmlNode* record) {
    const CDecodedText name = DecodeChild(record, "BackSight");
    if (name.empty()) return;

    // The face 2 reading is passed as parsed, not turned by 180 degrees: the face flag
    // tells the host which face it is.
    const struct {
        const char* element;
        bool face2;
    } readings[] = {{"Face1HorizontalCircle", false}, {"Face2HorizontalCircle", true}};
    // One output for the record, set to 0.0 once: a face 2 reading is parsed into what a
    // rejected face 1 reading left there.
    double output = 0.0;
    for (const auto& reading : readings) {
        XmlNode* circle = FirstChild(record, reading.element);
        if (!circle) continue;
        if (const auto value = ParseValue(m_angleParser.Get(), circle, output)) {
            m_receiver->AddObservation(name.c_str());
            m_receiver->SetHorizontalCircle(*value);
            m_receiver->SetFace(reading.face2);
            return;
        }
    }
}

}  // namespace Reader
