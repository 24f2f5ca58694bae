// PointRecord: an observation when it has a Circle, a point known by coordinates otherwise.
#include "reader/parser.h"

namespace Reader {

void CParser::ParsePointRecord(XmlNode* record) {
    // Only the very text "true", as controllers write it, marks a record deleted: any other
    // spelling keeps it, so that nothing the surveyor recorded is dropped on a guess.
    if (DecodeChild(record, "Deleted") == WIDE("true")) return;
    const CDecodedText name = DecodeChild(record, "Name");
    if (name.empty()) return;

    const bool observation = ParseCircle(record, name);

    m_attributes.clear();
    if (XmlNode* features = FirstChild(record, "Features")) ParseFeatures(features, m_attributes);

    if (!observation) {
        m_receiver->AddPoint(name.c_str());
        MarkKeyedInIfSo(record);
    }
    // A Grid, even an empty one, hides the ComputedGrid.
    if (XmlNode* grid = FirstChild(record, "Grid")) ParseGrid(grid);
    else if (XmlNode* computedGrid = FirstChild(record, "ComputedGrid")) ParseGrid(computedGrid);

    SetCode(DecodeChild(record, "Code"), m_attributes);
}

void CParser::MarkKeyedInIfSo(XmlNode* record) {
    if (DecodeChild(record, "SurveyMethod") != WIDE("KeyedIn")) return;
    m_receiver->MarkKeyedIn();
    m_receiver->SetKeyedInFlag(false);
}

// "TREE" with the attributes Height 12 and Kind Oak reaches the host as
// "TREE /Height=12/Kind=Oak". Without a code the attributes are dropped.
void CParser::SetCode(const CDecodedText& code, const AttributeList& attributes) {
    if (code.empty()) return;
    if (attributes.empty()) {
        m_receiver->SetCode(code.c_str());
        return;
    }
    m_code.assign(code.view());
    m_code += Plugin::WChar(' ');
    m_code += attributes.text;
    m_receiver->SetCode(m_code.c_str());
}

}  // namespace Reader
