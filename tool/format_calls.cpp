#include "tool/formats.h"

namespace Tool {

std::string FormatCalls(const Host::CallLog& calls) {
    std::string out;
    for (const Host::Call& call : calls) out += Host::ToJsonLine(call) + "\n";
    return out;
}

}  // namespace Tool
