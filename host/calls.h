// What the plug-in did to the host's objects, call by call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace Host {

struct Call {
    using Argument = std::variant<std::monostate, std::string, double, bool, std::int32_t>;

    Call(std::string op, Argument arg = {}) : op(std::move(op)), arg(std::move(arg)) {}
    static Call Parse(std::string parser, std::string text, std::optional<double> result) {
        Call call("Parse", std::move(text));
        call.parser = std::move(parser);
        call.result = result;
        return call;
    }

    std::string op;      // the operation's name as the host interfaces name it
    Argument arg;        // texts in UTF-8
    std::string parser;  // Parse only: "linear", "angle", "pressure" or "temperature"
    std::optional<double> result;  // Parse only: nothing when the parser answered false

    bool IsParse() const { return op == "Parse"; }
};

using CallLog = std::vector<Call>;

// Where the host objects of one import write what happens to them.
struct CallRecorder {
    CallLog calls;
    int liveObjects = 0;  // factories and parsers not yet destroyed
};

// One line of the `calls` format: a JSON object without the line break.
std::string ToJsonLine(const Call& call);

// JSON pieces shared by the output formats.
std::string JsonString(const std::string& utf8);
std::string JsonNumber(double value);  // shortest round-trip form; "inf", "-inf", "nan" as strings

}  // namespace Host
