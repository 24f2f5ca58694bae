// The instrument observation of a PointRecord: its Circle readings and its target.
#include "reader/parser.h"

namespace Reader {

bool CParser::ParseCircle(XmlNode* record, const CDecodedText& name) {
    XmlNode* circle = FirstChild(record, "Circle");
    if (!circle) return false;
    m_receiver->AddObservation(name.c_str());

    // Only a target recorded earlier in the file is known here. No ID is empty, so a
    // missing TargetID finds nothing.
    TargetEntry target;
    const auto found = m_targets.find(DecodeChild(record, "TargetID").view());
    if (found != m_targets.end()) target = found->second;
    if (target.targetHeight) m_receiver->SetTargetHeight(*target.targetHeight);

    if (XmlNode* horizontal = FirstChild(circle, "HorizontalCircle"))
        if (const auto value = ParseValue(m_angleParser.Get(), horizontal)) m_receiver->SetHorizontalCircle(*value);
    if (XmlNode* vertical = FirstChild(circle, "VerticalCircle"))
        if (const auto value = ParseValue(m_angleParser.Get(), vertical)) m_receiver->SetVerticalCircle(*value);
    if (XmlNode* edm = FirstChild(circle, "EDMDistance")) {
        if (auto distance = ParseValue(m_linearParser.Get(), edm)) {
            if (target.prismConstant && m_flags->ConsiderPrismConstant) *distance += *target.prismConstant;
            m_receiver->SetSlopeDistance(*distance);
        }
    }
    const CDecodedText face = DecodeChild(circle, "Face");
    if (face == WIDE("Face1")) m_receiver->SetFace(false);
    else if (face == WIDE("Face2")) m_receiver->SetFace(true);
    return true;
}

}  // namespace Reader
