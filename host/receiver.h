// The reference host's import receiver: records every call the plug-in makes.
#pragma once

#include "host/calls.h"
#include "sdk/interfaces.h"

namespace Host {

class CRecordingReceiver : public Plugin::IImportReceiver {
public:
    explicit CRecordingReceiver(CallRecorder* recorder) : m_recorder(recorder) {}
    virtual ~CRecordingReceiver() = default;

    Plugin::IValueParserFactory* GetValueParserFactory() override;
    void BeginFile(const Plugin::WChar* path) override { Text(Op::BeginFile, path); }
    void SetResult(std::int32_t result) override { Integer(Op::SetResult, result); }
    void ShowMessage(const Plugin::WChar* text) override { Text(Op::ShowMessage, text); }
    void SetProgress(float percent) override { Number(Op::SetProgress, static_cast<double>(percent)); }
    void AddPoint(const Plugin::WChar* name) override { Text(Op::AddPoint, name); }
    void SetNorth(double value) override { Number(Op::SetNorth, value); }
    void SetEast(double value) override { Number(Op::SetEast, value); }
    void SetElevation(double value) override { Number(Op::SetElevation, value); }
    void MarkKeyedIn() override { Plain(Op::MarkKeyedIn); }
    void SetKeyedInFlag(bool value) override { Flag(Op::SetKeyedInFlag, value); }
    void SetCode(const Plugin::WChar* code) override { Text(Op::SetCode, code); }
    void AddStation(const Plugin::WChar* name) override { Text(Op::AddStation, name); }
    void SetInstrumentHeight(double value) override { Number(Op::SetInstrumentHeight, value); }
    void AddObservation(const Plugin::WChar* target) override { Text(Op::AddObservation, target); }
    void SetPressure(double value) override { Number(Op::SetPressure, value); }
    void SetTemperature(double value) override { Number(Op::SetTemperature, value); }
    void SetVerticalCircle(double value) override { Number(Op::SetVerticalCircle, value); }
    void SetHorizontalCircle(double value) override { Number(Op::SetHorizontalCircle, value); }
    void SetTargetHeight(double value) override { Number(Op::SetTargetHeight, value); }
    void SetSlopeDistance(double value) override { Number(Op::SetSlopeDistance, value); }
    void SetFace(bool face2) override { Flag(Op::SetFace, face2); }

    // Never called by the plug-in; recorded all the same, so that a call shows.
    void Reserved3() override { Plain(Op::Reserved3); }
    void Reserved4() override { Plain(Op::Reserved4); }
    void Reserved7() override { Plain(Op::Reserved7); }
    void Reserved14() override { Plain(Op::Reserved14); }
    void Reserved15() override { Plain(Op::Reserved15); }
    void Reserved18() override { Plain(Op::Reserved18); }
    void Reserved19() override { Plain(Op::Reserved19); }
    void Reserved20() override { Plain(Op::Reserved20); }
    void Reserved22() override { Plain(Op::Reserved22); }
    void Reserved23() override { Plain(Op::Reserved23); }
    void Reserved27() override { Plain(Op::Reserved27); }
    void Reserved32() override { Plain(Op::Reserved32); }

protected:
    void Plain(Op op) { m_recorder->Record({op}); }
    void Text(Op op, const Plugin::WChar* text) {
        CallEvent event{op, CallEvent::Kind::Text};
        if (text) event.text = text;
        m_recorder->Record(event);
    }
    void Number(Op op, double value) {
        CallEvent event{op, CallEvent::Kind::Number};
        event.number = value;
        m_recorder->Record(event);
    }
    void Flag(Op op, bool value) {
        CallEvent event{op, CallEvent::Kind::Flag};
        event.flag = value;
        m_recorder->Record(event);
    }
    void Integer(Op op, std::int32_t value) {
        CallEvent event{op, CallEvent::Kind::Integer};
        event.integer = value;
        m_recorder->Record(event);
    }

    CallRecorder* m_recorder;
};

}  // namespace Host
