#include "host/formats.h"

namespace Host {

std::string FormatCalls(const CallLog& calls) {
    std::string out;
    for (const Call& call : calls) out += ToJsonLine(call) + "\n";
    return out;
}

}  // namespace Host
