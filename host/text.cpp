#include "host/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace Host {

void AppendJsonString(std::string& out, std::string_view utf8) {
    static const char kHex[] = "0123456789abcdef";
    const auto escaped = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == '"' || byte == '\\';
    };
    out += '"';
    for (;;) {
        const auto special = std::find_if(utf8.begin(), utf8.end(), escaped);
        const auto plain = static_cast<std::size_t>(special - utf8.begin());
        out.append(utf8.data(), plain);
        if (plain == utf8.size()) break;
        const auto c = static_cast<unsigned char>(*special);
        utf8.remove_prefix(plain + 1);
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
    // The shortest digits, as "[-]d[.ddd]e±dd".
    char text[32];
    char* const end = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific).ptr;
    char* digits = text;
    if (*digits == '-') out += *digits++;
    char* const e = std::find(digits, end, 'e');
    const std::string_view rest = e - digits > 2 ? std::string_view(digits + 2, static_cast<std::size_t>(e - digits - 2))
                                                 : std::string_view();  // the digits after the first
    std::string_view exponent(e + 2, static_cast<std::size_t>(end - e - 2));  // without its sign
    int power = 0;
    for (const char digit : exponent) power = 10 * power + (digit - '0');
    if (e[1] == '-') power = -power;

    // The value is 0.ddd × 10^n, n digits before the point.
    const int n = power + 1;
    const auto count = static_cast<int>(1 + rest.size());
    if (count <= n && n <= 21) {  // a whole number: 100000
        out += digits[0];
        out += rest;
        out.append(static_cast<std::size_t>(n - count), '0');
    } else if (0 < n && n < count) {  // the point moved among the digits: 1.25e+01 is 12.5
        std::copy(digits + 2, digits + 1 + n, digits + 1);
        digits[n] = '.';
        out.append(digits, e);
    } else if (-6 < n && n <= 0) {  // zeros after the point: 0.000015
        out += "0.";
        out.append(static_cast<std::size_t>(-n), '0');
        out += digits[0];
        out += rest;
    } else {  // an exponent without the zeros before its digits: 1e+21, 1.5e-7
        out.append(digits, e);
        out += e[1] == '-' ? "e-" : "e+";
        while (exponent.size() > 1 && exponent.front() == '0') exponent.remove_prefix(1);
        out += exponent;
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
