// Grid coordinates and feature attributes, shared by field-book and computed points.
#include "reader/parser.h"

namespace Reader {

void CParser::ParseGrid(XmlNode* grid) {
    if (XmlNode* north = FirstChild(grid, "North")) ForwardLinearValue(north->value(), &Plugin::IImportReceiver::SetNorth);
    if (XmlNode* east = FirstChild(grid, "East")) ForwardLinearValue(east->value(), &Plugin::IImportReceiver::SetEast);
    if (XmlNode* elevation = FirstChild(grid, "Elevation"))
        ForwardLinearValue(elevation->value(), &Plugin::IImportReceiver::SetElevation);
}

// An empty coordinate is left out without asking the parser.
void CParser::ForwardLinearValue(const char* text, ReceiverSetter setter) {
    const CDecodedText decoded = DecodeText(text);
    if (decoded.empty()) return;
    double output = 0.0;
    if (const auto value = ParseValue(m_linearParser.Get(), decoded, output)) (m_receiver->*setter)(*value);
}

void CParser::ParseFeatures(XmlNode* features, AttributeList& attributes) {
    for (XmlNode* feature = features->first_node(); feature; feature = feature->next_sibling()) {
        if (DecodeText(feature->name()) != WIDE("Feature")) continue;
        for (XmlNode* attribute = feature->first_node(); attribute; attribute = attribute->next_sibling()) {
            if (DecodeText(attribute->name()) != WIDE("Attribute")) continue;
            // Both must be there, though either may be empty.
            XmlNode* name = FirstChild(attribute, "Name");
            XmlNode* value = FirstChild(attribute, "Value");
            if (!name || !value) continue;
            const CDecodedText nameText = DecodeText(name->value());
            const CDecodedText valueText = DecodeText(value->value());
            attributes.text += Plugin::WChar('/');
            attributes.text += nameText.view();
            attributes.text += Plugin::WChar('=');
            attributes.text += valueText.view();
            ++attributes.count;
        }
    }
}

}  // namespace Reader
