// What the plug-in did to the host's objects, call by call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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

constexpr std::size_t kJsonNumberSize = 40;  // enough for any number JsonNumber writes

// One line of the `calls` format: a JSON object without the line break. Both forms give
// the same bytes for the same call.
std::string ToJsonLine(const Call& call);
void AppendJsonLine(std::string& out, const CallEvent& event);

// The same for a whole trace written as it happens, a line per call. The plug-in hands
// the host most numbers twice, once as a value parser's answer and once in the call that
// sets it: the writer formats such a number once.
class CCallLineWriter {
public:
    void Append(std::string& out, const CallEvent& event);
    // The line from `q` on, at most MaxLength bytes; returns its end.
    char* Write(char* q, const CallEvent& event);
    static std::size_t MaxLength(const CallEvent& event);

private:
    char* PutNumber(char* out, double value);

    bool m_hasLast = false;
    std::uint64_t m_lastBits = 0;
    std::size_t m_lastLength = 0;
    char m_last[kJsonNumberSize] = {};
};

// JSON and number pieces shared by the output formats.
std::string JsonString(const std::string& utf8);
std::string JsonNumber(double value);  // shortest round-trip form; "inf", "-inf", "nan" as strings
void AppendJsonString(std::string& out, std::string_view utf8);
// The same written at `out`, which has room for 6 bytes per byte and the quotes; its end.
char* PutJsonString(char* out, std::string_view utf8);
// UTF-16 written as UTF-8, an unpaired surrogate as U+FFFD (as Platform::ToUtf8 does).
void AppendJsonString(std::string& out, Plugin::WStringView utf16);
void AppendJsonNumber(std::string& out, double value);
std::size_t FormatJsonNumber(char* out, double value);  // at least kJsonNumberSize bytes; the length written

// `value` with `decimals` places, the bytes printf's "%.*f" gives, into `size` bytes (400
// hold any double). The length written.
std::size_t FormatFixed(char* out, std::size_t size, double value, int decimals);
// UTF-16 as UTF-8, appended, an unpaired surrogate as U+FFFD.
void AppendUtf8(std::string& out, Plugin::WStringView utf16);

}  // namespace Host
