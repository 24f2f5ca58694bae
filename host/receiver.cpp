#include "host/receiver.h"

#include "host/value_parsers.h"

namespace Host {

Plugin::IValueParserFactory* CRecordingReceiver::GetValueParserFactory() {
    Plain(Op::GetValueParserFactory);
    return new CValueParserFactory(m_recorder);
}

}  // namespace Host
