#include "host/calls.h"

#include <charconv>
#include <cmath>
#include <cstdio>

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

std::string JsonNumber(double value) {
    if (std::isnan(value)) return "\"nan\"";
    if (std::isinf(value)) return value > 0 ? "\"inf\"" : "\"-inf\"";
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
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
