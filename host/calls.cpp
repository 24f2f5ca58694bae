#include "host/calls.h"

#include <charconv>

#include "host/text.h"
#include "platform/utf.h"

namespace Host {

const char* OpName(Op op) {
    switch (op) {
    case Op::GetValueParserFactory: return "GetValueParserFactory";
    case Op::BeginFile: return "BeginFile";
    case Op::SetResult: return "SetResult";
    case Op::ShowMessage: return "ShowMessage";
    case Op::SetProgress: return "SetProgress";
    case Op::AddPoint: return "AddPoint";
    case Op::SetNorth: return "SetNorth";
    case Op::SetEast: return "SetEast";
    case Op::SetElevation: return "SetElevation";
    case Op::MarkKeyedIn: return "MarkKeyedIn";
    case Op::SetKeyedInFlag: return "SetKeyedInFlag";
    case Op::SetCode: return "SetCode";
    case Op::AddStation: return "AddStation";
    case Op::SetInstrumentHeight: return "SetInstrumentHeight";
    case Op::AddObservation: return "AddObservation";
    case Op::SetPressure: return "SetPressure";
    case Op::SetTemperature: return "SetTemperature";
    case Op::SetVerticalCircle: return "SetVerticalCircle";
    case Op::SetHorizontalCircle: return "SetHorizontalCircle";
    case Op::SetTargetHeight: return "SetTargetHeight";
    case Op::SetSlopeDistance: return "SetSlopeDistance";
    case Op::SetFace: return "SetFace";
    case Op::Reserved3: return "Reserved3";
    case Op::Reserved4: return "Reserved4";
    case Op::Reserved7: return "Reserved7";
    case Op::Reserved14: return "Reserved14";
    case Op::Reserved15: return "Reserved15";
    case Op::Reserved18: return "Reserved18";
    case Op::Reserved19: return "Reserved19";
    case Op::Reserved20: return "Reserved20";
    case Op::Reserved22: return "Reserved22";
    case Op::Reserved23: return "Reserved23";
    case Op::Reserved27: return "Reserved27";
    case Op::Reserved32: return "Reserved32";
    case Op::CreateLinearParser: return "CreateLinearParser";
    case Op::CreateAngleParser: return "CreateAngleParser";
    case Op::CreatePressureParser: return "CreatePressureParser";
    case Op::CreateTemperatureParser: return "CreateTemperatureParser";
    case Op::Parse: return "Parse";
    case Op::AddRef: return "AddRef";
    case Op::Release: return "Release";
    }
    return "?";
}

Call::Call(const CallEvent& event) { Assign(event); }

void Call::Assign(const CallEvent& event) {
    op = OpName(event.op);
    switch (event.kind) {
    case CallEvent::Kind::None: arg = std::monostate(); break;
    case CallEvent::Kind::Text: arg = Platform::ToUtf8(event.text); break;
    case CallEvent::Kind::Label: arg = std::string(event.label); break;
    case CallEvent::Kind::Number: arg = event.number; break;
    case CallEvent::Kind::Flag: arg = event.flag; break;
    case CallEvent::Kind::Integer: arg = event.integer; break;
    }
    if (event.op == Op::Parse) {
        parser = event.label;
        result = event.result;
    } else {
        parser.clear();
        result.reset();
    }
}

void AppendJsonLine(std::string& out, const Call& call) {
    // The operation and the parser are named by words of letters, written as they are.
    const bool parse = call.IsParse();
    ((out += "{\"op\":\"") += call.op) += '"';
    if (parse) ((out += ",\"parser\":\"") += call.parser) += '"';
    if (!std::holds_alternative<std::monostate>(call.arg)) {
        out += ",\"arg\":";
        struct {
            std::string& out;
            void operator()(std::monostate) const {}
            void operator()(const std::string& text) const { AppendJsonString(out, text); }
            void operator()(double number) const { AppendJsonNumber(out, number); }
            void operator()(bool flag) const { out += flag ? "true" : "false"; }
            void operator()(std::int32_t number) const {
                char text[16];
                out.append(text, std::to_chars(text, text + sizeof text, number).ptr);
            }
        } visitor{out};
        std::visit(visitor, call.arg);
    }
    if (parse) {
        out += ",\"result\":";
        if (call.result)
            AppendJsonNumber(out, *call.result);
        else
            out += "null";
    }
    out += '}';
}

std::string ToJsonLine(const Call& call) {
    std::string line;
    AppendJsonLine(line, call);
    return line;
}

}  // namespace Host
