#include "host/text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace Host {

void AppendJsonString(std::string& out, std::string_view utf8) {
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    std::size_t plain = 0;  // the start of the run not yet written
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(utf8, plain, i - plain);
        plain = i + 1;
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    out.append(utf8, plain);
    out += '"';
}

std::string JsonString(std::string_view utf8) {
    std::string out;
    AppendJsonString(out, utf8);
    return out;
}

void AppendNumber(std::string& out, double value) {
    if (std::isnan(value)) {
        out += "nan";
        return;
    }
    if (std::isinf(value)) {
        out += value > 0 ? "inf" : "-inf";
        return;
    }
    // The shortest digits, as "[-]d[.ddd]e±xx".
    char scientific[32];
    const char* const end =
        std::to_chars(scientific, scientific + sizeof scientific, value, std::chars_format::scientific).ptr;
    std::string_view text(scientific, static_cast<std::size_t>(end - scientific));
    if (text.front() == '-') {
        out += '-';
        text.remove_prefix(1);
    }
    const std::size_t e = text.find('e');
    char digitsBuffer[24];
    std::size_t k = 0;
    for (const char c : text.substr(0, e))
        if (c != '.') digitsBuffer[k++] = c;
    const std::string_view digits(digitsBuffer, k);
    int exponent = 0;
    const std::size_t exponentDigits = e + 2;  // after 'e' and its sign, which is always there
    std::from_chars(text.data() + exponentDigits, text.data() + text.size(), exponent);
    if (text[e + 1] == '-') exponent = -exponent;

    // The value is 0.digits × 10^n.
    const int n = exponent + 1;
    const auto count = static_cast<int>(k);
    if (count <= n && n <= 21) {  // a whole number: 100000
        out += digits;
        out.append(static_cast<std::size_t>(n - count), '0');
    } else if (0 < n && n <= 21) {  // a point among the digits: 12.5
        out += digits.substr(0, static_cast<std::size_t>(n));
        out += '.';
        out += digits.substr(static_cast<std::size_t>(n));
    } else if (-6 < n && n <= 0) {  // zeros after the point: 0.000015
        out += "0.";
        out.append(static_cast<std::size_t>(-n), '0');
        out += digits;
    } else {  // an exponent: 1e+21, 1.5e-7
        out += digits[0];
        if (count > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += n - 1 < 0 ? "e-" : "e+";
        out += std::to_string(std::abs(n - 1));
    }
}

void AppendJsonNumber(std::string& out, double value) {
    if (std::isfinite(value)) {
        AppendNumber(out, value);
        return;
    }
    out += '"';
    AppendNumber(out, value);
    out += '"';
}

std::string JsonNumber(double value) {
    std::string out;
    AppendJsonNumber(out, value);
    return out;
}

std::string ShortestNumber(double value) {
    if (!std::isfinite(value)) {
        std::string out;
        AppendNumber(out, value);
        return out;
    }
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

void AppendFixed(std::string& out, double value, int decimals) {
    if (!std::isfinite(value)) {
        AppendNumber(out, value);
        return;
    }
    // Nearly every number fits the short text; the largest double has 309 digits before
    // its point.
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (written.ec == std::errc()) {
        out.append(text, written.ptr);
        return;
    }
    std::string wide(std::numeric_limits<double>::max_exponent10 + 4 + static_cast<std::size_t>(decimals), '\0');
    wide.resize(static_cast<std::size_t>(
        std::to_chars(wide.data(), wide.data() + wide.size(), value, std::chars_format::fixed, decimals).ptr -
        wide.data()));
    out += wide;
}

std::string FixedNumber(double value, int decimals) {
    std::string out;
    AppendFixed(out, value, decimals);
    return out;
}

void AppendCsvField(std::string& out, std::string_view text) {
    const bool quoted = (!text.empty() && (text.front() == ' ' || text.back() == ' ')) ||
                        text.find_first_of(",\"\r\n") != std::string_view::npos;
    if (!quoted) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

std::size_t CharacterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (const char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

std::string VisibleText(std::string_view utf8) {
    bool plain = !utf8.empty() && utf8.front() != ' ' && utf8.back() != ' ';
    for (const char c : utf8) plain = plain && static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
    return plain ? std::string(utf8) : JsonString(utf8);
}

}  // namespace Host
