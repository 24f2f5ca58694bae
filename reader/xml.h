// RapidXML as the reader uses it: the whole file parsed in place, and small lookups
// over the tree.
#pragma once

#include <rapidxml.hpp>
#include <string_view>

namespace Reader {

using XmlNode = rapidxml::xml_node<char>;
using XmlAttribute = rapidxml::xml_attribute<char>;
using XmlDocument = rapidxml::xml_document<char>;

// The declaration becomes a node so that its encoding can be read. Text and CDATA
// never feed a value of their own (an element's value is kept on the element itself),
// so they need no nodes.
constexpr int kParseFlags = rapidxml::parse_declaration_node;

// The first child element (or attribute) of exactly this name: byte for byte and
// case-sensitive. Nodes without a name never match.
inline XmlNode* FirstChild(const XmlNode* parent, std::string_view name) {
    return parent->first_node(name.data(), name.size());
}

inline XmlAttribute* FirstAttribute(const XmlNode* node, std::string_view name) {
    return node->first_attribute(name.data(), name.size());
}

inline std::string_view NameOf(const XmlNode* node) { return {node->name(), node->name_size()}; }

}  // namespace Reader
