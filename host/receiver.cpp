#include "host/receiver.h"

#include "host/value_parsers.h"
#include "platform/utf.h"

namespace Host {

Plugin::IValueParserFactory* CRecordingReceiver::GetValueParserFactory() {
    Record("GetValueParserFactory");
    return new CValueParserFactory(m_recorder);
}

void CRecordingReceiver::Record(const char* op, const Plugin::WChar* text) {
    Record(op, text ? Platform::ToUtf8(text) : std::string());
}

}  // namespace Host
