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
    void BeginFile(const Plugin::WChar* path) override { Record("BeginFile", path); }
    void SetResult(std::int32_t result) override { Record("SetResult", result); }
    void ShowMessage(const Plugin::WChar* text) override { Record("ShowMessage", text); }
    void SetProgress(float percent) override { Record("SetProgress", static_cast<double>(percent)); }
    void AddPoint(const Plugin::WChar* name) override { Record("AddPoint", name); }
    void SetNorth(double value) override { Record("SetNorth", value); }
    void SetEast(double value) override { Record("SetEast", value); }
    void SetElevation(double value) override { Record("SetElevation", value); }
    void MarkKeyedIn() override { Record("MarkKeyedIn"); }
    void SetKeyedInFlag(bool value) override { Record("SetKeyedInFlag", value); }
    void SetCode(const Plugin::WChar* code) override { Record("SetCode", code); }
    void AddStation(const Plugin::WChar* name) override { Record("AddStation", name); }
    void SetInstrumentHeight(double value) override { Record("SetInstrumentHeight", value); }
    void AddObservation(const Plugin::WChar* target) override { Record("AddObservation", target); }
    void SetPressure(double value) override { Record("SetPressure", value); }
    void SetTemperature(double value) override { Record("SetTemperature", value); }
    void SetVerticalCircle(double value) override { Record("SetVerticalCircle", value); }
    void SetHorizontalCircle(double value) override { Record("SetHorizontalCircle", value); }
    void SetTargetHeight(double value) override { Record("SetTargetHeight", value); }
    void SetSlopeDistance(double value) override { Record("SetSlopeDistance", value); }
    void SetFace(bool face2) override { Record("SetFace", face2); }

    // Never called by the plug-in; recorded all the same, so that a call shows.
    void Reserved3() override { Record("Reserved3"); }
    void Reserved4() override { Record("Reserved4"); }
    void Reserved7() override { Record("Reserved7"); }
    void Reserved14() override { Record("Reserved14"); }
    void Reserved15() override { Record("Reserved15"); }
    void Reserved18() override { Record("Reserved18"); }
    void Reserved19() override { Record("Reserved19"); }
    void Reserved20() override { Record("Reserved20"); }
    void Reserved22() override { Record("Reserved22"); }
    void Reserved23() override { Record("Reserved23"); }
    void Reserved27() override { Record("Reserved27"); }
    void Reserved32() override { Record("Reserved32"); }

protected:
    void Record(const char* op, Call::Argument arg = {}) { m_recorder->calls.push_back({op, std::move(arg)}); }
    void Record(const char* op, const Plugin::WChar* text);

    CallRecorder* m_recorder;
};

}  // namespace Host
