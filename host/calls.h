// What the plug-in did to the host's objects, call by call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "sdk/wide.h"

namespace Host {

// Every operation the host objects record, named as the host interfaces name them.
enum class Op : std::uint8_t {
    // IImportReceiver
    GetValueParserFactory, BeginFile, SetResult, ShowMessage, SetProgress, AddPoint, SetNorth, SetEast,
    SetElevation, MarkKeyedIn, SetKeyedInFlag, SetCode, AddStation, SetInstrumentHeight, AddObservation,
    SetPressure, SetTemperature, SetVerticalCircle, SetHorizontalCircle, SetTargetHeight, SetSlopeDistance,
    SetFace, Reserved3, Reserved4, Reserved7, Reserved14, Reserved15, Reserved18, Reserved19, Reserved20,
    Reserved22, Reserved23, Reserved27, Reserved32,
    // IValueParserFactory, IValueParser, and the reference counts of both
    CreateLinearParser, CreateAngleParser, CreatePressureParser, CreateTemperatureParser, Parse, AddRef, Release,
};
constexpr std::size_t kOpCount = static_cast<std::size_t>(Op::Release) + 1;

const char* OpName(Op op);

// One call as it happens, before anything is made of it: texts are still the plug-in's
// UTF-16, valid only while the call lasts.
struct CallEvent {
    enum class Kind : std::uint8_t { None, Text, Label, Number, Flag, Integer };

    CallEvent(Op op, Kind kind = Kind::None) : op(op), kind(kind) {}

    Op op;
    Kind kind;
    Plugin::WStringView text;     // Text, and Parse's text (a null text from the plug-in reads as empty)
    const char* label = nullptr;  // Label: the object of AddRef and Release; Parse: the parser
    double number = 0;            // Number
    bool flag = false;            // Flag
    std::int32_t integer = 0;     // Integer
    std::optional<double> result;  // Parse: nothing when the parser answered false
};

// A call as kept in a log.
struct Call {
    using Argument = std::variant<std::monostate, std::string, double, bool, std::int32_t>;

    Call(std::string op, Argument arg = {}) : op(std::move(op)), arg(std::move(arg)) {}
    static Call Parse(std::string parser, std::string text, std::optional<double> result) {
        Call call("Parse", std::move(text));
        call.parser = std::move(parser);
        call.result = result;
        return call;
    }
    explicit Call(const CallEvent& event);
    // The same call made again from another event, keeping the room its texts had.
    void Assign(const CallEvent& event);

    std::string op;      // the operation's name as the host interfaces name it
    Argument arg;        // texts in UTF-8
    std::string parser;  // Parse only: "linear", "angle", "pressure" or "temperature"
    std::optional<double> result;  // Parse only: nothing when the parser answered false

    bool IsParse() const { return op == "Parse"; }
};

using CallLog = std::vector<Call>;

// Where the host objects of one import report what happens to them. By default every
// call goes into `calls`, the whole trace; a recorder of its own can take each call as
// it happens instead and keep nothing.
struct CallRecorder {
    virtual ~CallRecorder() = default;
    virtual void Record(const CallEvent& event) { calls.emplace_back(event); }

    CallLog calls;
    int liveObjects = 0;  // factories and parsers not yet destroyed
};

// One line of the `calls` format: a JSON object without the line break. The tool writes
// each call as it happens through the same writer, as a Call made from its CallEvent.
std::string ToJsonLine(const Call& call);
void AppendJsonLine(std::string& out, const Call& call);

}  // namespace Host
