// RapidXML as the reader uses it: the file parsed in place, a record at a time, and
// small lookups over the tree.
#pragma once

// Node memory beyond the document's own first 64 KiB comes in blocks of 4 MiB from
// Platform::AllocateLarge, with room left for RapidXML's and the allocator's block headers:
// a record that large is rare, a whole document parsed at once (a malformed one, or the
// reference reader's) is not. Every file of the library sees this one value.
#define RAPIDXML_DYNAMIC_POOL_SIZE ((std::size_t{4} << 20) - 256)

#include <cstddef>
#include <rapidxml.hpp>
#include <string_view>

namespace Reader {

using XmlNode = rapidxml::xml_node<char>;
using XmlAttribute = rapidxml::xml_attribute<char>;
using XmlDocument = rapidxml::xml_document<char>;

// The declaration becomes a node so that its encoding can be read; nothing else is asked
// of RapidXML.
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
