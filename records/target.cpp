// TargetRecord: prism constant and target height kept by ID for the observations that follow.
#include "reader/parser.h"

namespace Reader {

void CParser::ParseTargetRecord(XmlNode* record) {
    const CDecodedText id = DecodeAttribute(record, "ID");
    if (id.empty()) return;
    XmlNode* prismConstant = FirstChild(record, "PrismConstant");
    XmlNode* targetHeight = FirstChild(record, "TargetHeight");
    if (!prismConstant && !targetHeight) return;

    // Both texts are parsed even when the ID is taken: the first record of an ID wins.
    // They share one output, set to 0.0 once for the record: a parser that accepts a
    // height without writing it leaves the prism constant's value there.
    TargetEntry entry;
    double output = 0.0;
    if (prismConstant) entry.prismConstant = ParseValue(m_linearParser.Get(), prismConstant, output);
    if (targetHeight) entry.targetHeight = ParseValue(m_linearParser.Get(), targetHeight, output);
    if (m_targets.find(id.view()) == m_targets.end()) m_targets.emplace(Plugin::WString(id.view()), entry);
}

}  // namespace Reader
