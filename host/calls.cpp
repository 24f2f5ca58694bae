#include "host/calls.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace Host {

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

// The shortest digits that read back as the same double, laid out as JavaScript's JSON
// writes numbers: 100000, 0.5, 1e+21, 1e-7. Negative zero keeps its sign.
std::string JsonNumber(double value) {
    if (std::isnan(value)) return "\"nan\"";
    if (std::isinf(value)) return value > 0 ? "\"inf\"" : "\"-inf\"";

    char scientific[32];
    const auto written = std::to_chars(scientific, scientific + sizeof scientific, value, std::chars_format::scientific);
    const std::string text(scientific, written.ptr);  // [-]d[.ddd]e±xx
    const bool negative = text[0] == '-';
    const std::size_t e = text.find('e');
    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < e; ++i)
        if (text[i] != '.') digits += text[i];
    const int n = std::stoi(text.substr(e + 1)) + 1;  // value = 0.digits × 10^n
    const int k = static_cast<int>(digits.size());

    std::string out = negative ? "-" : "";
    if (k <= n && n <= 21) {
        out += digits + std::string(static_cast<std::size_t>(n - k), '0');
    } else if (0 < n && n <= 21) {
        out += digits.substr(0, static_cast<std::size_t>(n)) + "." + digits.substr(static_cast<std::size_t>(n));
    } else if (-6 < n && n <= 0) {
        out += "0." + std::string(static_cast<std::size_t>(-n), '0') + digits;
    } else {
        out += digits.substr(0, 1);
        if (k > 1) out += "." + digits.substr(1);
        out += (n - 1 < 0 ? "e-" : "e+") + std::to_string(std::abs(n - 1));
    }
    return out;
}

namespace {

std::string ArgumentJson(const Call::Argument& arg) {
    struct {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(const std::string& text) const { return JsonString(text); }
        std::string operator()(double number) const { return JsonNumber(number); }
        std::string operator()(bool flag) const { return flag ? "true" : "false"; }
        std::string operator()(std::int32_t number) const { return std::to_string(number); }
    } visitor;
    return std::visit(visitor, arg);
}

}  // namespace

std::string ToJsonLine(const Call& call) {
    std::string line = "{\"op\":" + JsonString(call.op);
    if (call.IsParse()) line += ",\"parser\":" + JsonString(call.parser);
    if (!std::holds_alternative<std::monostate>(call.arg)) line += ",\"arg\":" + ArgumentJson(call.arg);
    if (call.IsParse()) line += ",\"result\":" + (call.result ? JsonNumber(*call.result) : std::string("null"));
    return line + "}";
}

}  // namespace Host
