#include "tool/html_text.h"

#include <cstdio>

#include "host/calls.h"

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

std::string VisibleText(const std::string& utf8) {
    bool plain = !utf8.empty() && utf8.front() != ' ' && utf8.back() != ' ';
    for (const char c : utf8) plain = plain && static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
    return plain ? utf8 : Host::JsonString(utf8);
}

std::string FixedNumber(double value, int decimals) {
    const std::string shortest = ShortestNumber(value);
    if (shortest == "nan" || shortest == "inf" || shortest == "-inf") return shortest;
    char text[512];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string CellText(const FieldValue& value, int decimals) {
    if (const double* number = std::get_if<double>(&value)) return FixedNumber(*number, decimals);
    if (const bool* flag = std::get_if<bool>(&value)) return *flag ? "yes" : "no";
    if (const int* face = std::get_if<int>(&value)) return std::to_string(*face);
    return VisibleText(std::get<std::string>(value));
}

std::size_t CharacterCount(const std::string& utf8) {
    std::size_t count = 0;
    for (const char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
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
