// The reference host's value parsers: decimal numbers in the C locale, nothing else.
#pragma once

#include <optional>
#include <string>

#include "host/calls.h"
#include "sdk/interfaces.h"

namespace Host {

// The reference host's rule: after leading and trailing spaces, tabs, CRs and LFs, an
// optional sign, digits with an optional '.' and fraction (at least one digit), an
// optional exponent. The nearest double; nothing for anything else or an overflow.
std::optional<double> ParseDecimal(Plugin::WStringView text);

// A host object whose references the plug-in takes and drops, every call recorded; with
// no recorder nothing is, for measuring the plug-in alone. It starts with one reference,
// for the caller.
template <typename I>
class CRecordedObject : public I {
public:
    void AddRef() override {
        RecordCount(Op::AddRef);
        ++m_count;
    }
    bool Release() override {
        RecordCount(Op::Release);
        if (--m_count != 0) return false;
        delete this;
        return true;
    }

protected:
    CRecordedObject(CallRecorder* recorder, const char* label) : m_recorder(recorder), m_label(label) {
        if (m_recorder) ++m_recorder->liveObjects;
    }
    virtual ~CRecordedObject() {
        if (m_recorder) --m_recorder->liveObjects;
    }

    CallRecorder* m_recorder;
    const char* m_label;

private:
    void RecordCount(Op op) {
        if (!m_recorder) return;
        CallEvent event{op, CallEvent::Kind::Label};
        event.label = m_label;
        m_recorder->Record(event);
    }

    int m_count = 1;
};

// Hands out one new parser per Create… call; `recorder` may be null.
class CValueParserFactory final : public CRecordedObject<Plugin::IValueParserFactory> {
public:
    explicit CValueParserFactory(CallRecorder* recorder) : CRecordedObject(recorder, "factory") {}
    Plugin::IValueParser* CreateAngleParser(std::int32_t kind) override;
    Plugin::IValueParser* CreateLinearParser(std::int32_t kind) override;
    Plugin::IValueParser* CreatePressureParser(std::int32_t kind) override;
    Plugin::IValueParser* CreateTemperatureParser(std::int32_t kind) override;

private:
    Plugin::IValueParser* Make(Op op, const char* label, std::int32_t kind);
};

}  // namespace Host
