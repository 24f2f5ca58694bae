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
    if (const TargetEntry* found = FindTarget(DecodeChild(record, "TargetID").view())) target = *found;
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
    const char* const face = ChildValue(circle, "Face");
    if (TextIs(face, "Face1")) m_receiver->SetFace(false);
    else if (TextIs(face, "Face2")) m_receiver->SetFace(true);
    return true;
}

const TargetEntry* CParser::FindTarget(Plugin::WStringView id) {
    if (m_lastTarget && id == m_lastTargetId) return m_lastTarget;
    const auto found = m_targets.find(id);
    if (found == m_targets.end()) return nullptr;
    m_lastTargetId.assign(id);
    m_lastTarget = &found->second;
    return m_lastTarget;
}

}  // namespace Reader
