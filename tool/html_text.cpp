#include "tool/html_text.h"

namespace Tool {

std::string EscapeHtml(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string CellText(const FieldValue& value, int decimals) {
    if (const double* number = std::get_if<double>(&value)) return FixedNumber(*number, decimals);
    if (const bool* flag = std::get_if<bool>(&value)) return *flag ? "yes" : "no";
    if (const int* face = std::get_if<int>(&value)) return std::to_string(*face);
    return VisibleText(std::get<std::string>(value));
}

std::string Shortened(const std::string& utf8, std::size_t count) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) continue;
        if (characters++ == count) return utf8.substr(0, i) + "\xE2\x80\xA6";
    }
    return utf8;
}

}  // namespace Tool
