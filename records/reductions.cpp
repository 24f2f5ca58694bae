// A computed Point of the Reductions section: always a point known by coordinates.
#include "reader/parser.h"

namespace Reader {

// Unlike a PointRecord: no deleted test, no observation, Grid only, and the code comes
// before the keyed-in marks and the coordinates.
void CParser::ParseReductionsPoint(XmlNode* point) {
    const CDecodedText name = DecodeChild(point, "Name");
    if (name.empty()) return;
    m_receiver->AddPoint(name.c_str());

    m_attributes.clear();
    if (XmlNode* features = FirstChild(point, "Features")) ParseFeatures(features, m_attributes);
    SetCode(DecodeChild(point, "Code"), m_attributes);
    MarkKeyedInIfSo(point);
    if (XmlNode* grid = FirstChild(point, "Grid")) ParseGrid(grid);
}

}  // namespace Reader
