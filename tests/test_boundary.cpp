// No exception leaves the library: whatever a host object throws, and wherever, the call
// the host made returns, what was imported before stays imported, nothing is imported
// after, and every host object the plug-in obtained is released.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <new>
#include <stdexcept>

#include "host/file_list.h"
#include "host/property_view.h"
#include "host/receiver.h"
#include "host/value_parsers.h"
#include "platform/utf.h"
#include "support.h"

namespace {

using Support::Call;
using Support::Joined;
using Support::Lines;
using Support::ParsersMade;
using Support::ParsersReleased;

// ---- Host objects that throw at one chosen call ----------------------------------------

enum class Thrown { Runtime, BadAlloc, Foreign };

// Throws once, right after the call recorded at index `at` of the trace (or, for a call
// that hands out a new object, instead of making it).
struct FaultPlan {
    std::size_t at = SIZE_MAX;
    Thrown what = Thrown::Runtime;
    bool fired = false;

    bool DueNext(const Host::CallRecorder& recorder) const { return !fired && recorder.calls.size() == at; }
    void AfterCall(const Host::CallRecorder& recorder) {
        if (!fired && recorder.calls.size() == at + 1) Fire();
    }
    void Fire() {
        fired = true;
        switch (what) {
        case Thrown::Runtime: throw std::runtime_error("host failure");
        case Thrown::BadAlloc: throw std::bad_alloc();
        case Thrown::Foreign: throw 42;
        }
    }
};

class CFaultyParser final : public Plugin::IValueParser {
public:
    CFaultyParser(Plugin::IValueParser* inner, Host::CallRecorder* recorder, FaultPlan* plan)
        : m_inner(inner), m_recorder(recorder), m_plan(plan) {}

    void AddRef() override { m_inner->AddRef(); }
    bool Release() override {
        Host::CallRecorder* recorder = m_recorder;
        FaultPlan* plan = m_plan;
        const bool destroyed = m_inner->Release();
        if (destroyed) delete this;
        plan->AfterCall(*recorder);
        return destroyed;
    }
    bool Parse(const Plugin::WChar* text, double* value) override {
        const bool parsed = m_inner->Parse(text, value);
        m_plan->AfterCall(*m_recorder);
        return parsed;
    }

private:
    Plugin::IValueParser* m_inner;
    Host::CallRecorder* m_recorder;
    FaultPlan* m_plan;
};

class CFaultyFactory final : public Plugin::IValueParserFactory {
public:
    CFaultyFactory(Host::CallRecorder* recorder, FaultPlan* plan)
        : m_inner(new Host::CValueParserFactory(recorder)), m_recorder(recorder), m_plan(plan) {}

    void AddRef() override { m_inner->AddRef(); }
    bool Release() override {
        Host::CallRecorder* recorder = m_recorder;
        FaultPlan* plan = m_plan;
        const bool destroyed = m_inner->Release();
        if (destroyed) delete this;
        plan->AfterCall(*recorder);
        return destroyed;
    }
    Plugin::IValueParser* CreateAngleParser(std::int32_t kind) override {
        return Make("CreateAngleParser", kind, &Plugin::IValueParserFactory::CreateAngleParser);
    }
    Plugin::IValueParser* CreateLinearParser(std::int32_t kind) override {
        return Make("CreateLinearParser", kind, &Plugin::IValueParserFactory::CreateLinearParser);
    }
    Plugin::IValueParser* CreatePressureParser(std::int32_t kind) override {
        return Make("CreatePressureParser", kind, &Plugin::IValueParserFactory::CreatePressureParser);
    }
    Plugin::IValueParser* CreateTemperatureParser(std::int32_t kind) override {
        return Make("CreateTemperatureParser", kind, &Plugin::IValueParserFactory::CreateTemperatureParser);
    }

private:
    using Create = Plugin::IValueParser* (Plugin::IValueParserFactory::*)(std::int32_t);
    Plugin::IValueParser* Make(const char* op, std::int32_t kind, Create create) {
        if (m_plan->DueNext(*m_recorder)) {
            m_recorder->calls.push_back({op, kind});
            m_plan->Fire();
        }
        return new CFaultyParser((m_inner->*create)(kind), m_recorder, m_plan);
    }

    Plugin::IValueParserFactory* m_inner;
    Host::CallRecorder* m_recorder;
    FaultPlan* m_plan;
};

#define JXL_FAULTY(Op, Type) \
    void Op(Type value) override { \
        CRecordingReceiver::Op(value); \
        m_plan->AfterCall(*m_recorder); \
    }

class CFaultyReceiver final : public Host::CRecordingReceiver {
public:
    CFaultyReceiver(Host::CallRecorder* recorder, FaultPlan* plan) : CRecordingReceiver(recorder), m_plan(plan) {}

    Plugin::IValueParserFactory* GetValueParserFactory() override {
        Record("GetValueParserFactory");
        m_plan->AfterCall(*m_recorder);
        return new CFaultyFactory(m_recorder, m_plan);
    }
    void MarkKeyedIn() override {
        CRecordingReceiver::MarkKeyedIn();
        m_plan->AfterCall(*m_recorder);
    }
    JXL_FAULTY(BeginFile, const Plugin::WChar*)
    JXL_FAULTY(SetResult, std::int32_t)
    JXL_FAULTY(ShowMessage, const Plugin::WChar*)
    JXL_FAULTY(SetProgress, float)
    JXL_FAULTY(AddPoint, const Plugin::WChar*)
    JXL_FAULTY(SetNorth, double)
    JXL_FAULTY(SetEast, double)
    JXL_FAULTY(SetElevation, double)
    JXL_FAULTY(SetKeyedInFlag, bool)
    JXL_FAULTY(SetCode, const Plugin::WChar*)
    JXL_FAULTY(AddStation, const Plugin::WChar*)
    JXL_FAULTY(SetInstrumentHeight, double)
    JXL_FAULTY(AddObservation, const Plugin::WChar*)
    JXL_FAULTY(SetPressure, double)
    JXL_FAULTY(SetTemperature, double)
    JXL_FAULTY(SetVerticalCircle, double)
    JXL_FAULTY(SetHorizontalCircle, double)
    JXL_FAULTY(SetTargetHeight, double)
    JXL_FAULTY(SetSlopeDistance, double)
    JXL_FAULTY(SetFace, bool)

private:
    FaultPlan* m_plan;
};

#undef JXL_FAULTY

// Every call of one import through the library, the host objects throwing as planned.
Support::Trace Import(Plugin::IGroundBasedMIP* plugin, const std::vector<std::string>& paths, FaultPlan plan = {}) {
    Host::CFileList files = Support::FileList(paths);
    Host::CallRecorder recorder;
    CFaultyReceiver receiver(&recorder, &plan);
    plugin->Import(&files, &receiver);  // returns, whatever was thrown
    return Support::TraceOf(recorder);
}

// Three files: a station and an observation; a station whose height is parsed, and a
// second station; a station of its own.
struct Files {
    std::string first = Support::WriteScratchFile("boundary-1.jxl", Support::FieldBook(R"(
        <StationRecord><StationName>S1</StationName></StationRecord>
        <PointRecord><Name>P1</Name><Circle><HorizontalCircle>10</HorizontalCircle></Circle></PointRecord>)"));
    std::string second = Support::WriteScratchFile("boundary-2.jxl", Support::FieldBook(R"(
        <StationRecord><StationName>S2</StationName><TheodoliteHeight>1.5</TheodoliteHeight></StationRecord>
        <StationRecord><StationName>S3</StationName></StationRecord>)"));
    std::string third = Support::WriteScratchFile("boundary-3.jxl", Support::FieldBook(
        "<StationRecord><StationName>S4</StationName></StationRecord>"));

    std::vector<std::string> All() const { return {first, second, third}; }

    std::vector<std::string> FirstFileCalls() const {
        return Support::Framed(Support::Slice::Walk, first, Lines(R"(
            {"op":"AddStation","arg":"S1"}
            {"op":"AddObservation","arg":"P1"}
            {"op":"Parse","parser":"angle","arg":"10","result":10}
            {"op":"SetHorizontalCircle","arg":10}
        )"));
    }
};

TEST(Boundary, AHostObjectThatThrowsEndsTheImportWithWhatCameBefore) {
    const Files files;
    const struct {
        const char* behaviour;
        std::size_t at;  // index into the undisturbed trace of the call that throws
        Thrown what;
        std::vector<std::string> expected;
    } cases[] = {
        {"a value parser throws in the second file", 26, Thrown::Runtime,
         Joined({files.FirstFileCalls(), {Call("BeginFile", files.second)}, ParsersMade(), Lines(R"(
             {"op":"SetProgress","arg":50}
             {"op":"AddStation","arg":"S2"}
             {"op":"Parse","parser":"linear","arg":"1.5","result":1.5}
         )"), ParsersReleased()})},
        {"the receiver runs out of memory at a station", 25, Thrown::BadAlloc,
         Joined({files.FirstFileCalls(), {Call("BeginFile", files.second)}, ParsersMade(), Lines(R"(
             {"op":"SetProgress","arg":50}
             {"op":"AddStation","arg":"S2"}
         )"), ParsersReleased()})},
        {"the factory fails on its third parser", 21, Thrown::Foreign,
         Joined({files.FirstFileCalls(), {Call("BeginFile", files.second)}, Lines(R"(
             {"op":"GetValueParserFactory"}
             {"op":"CreateLinearParser","arg":0}
             {"op":"CreateAngleParser","arg":3}
             {"op":"CreatePressureParser","arg":1}
             {"op":"Release","arg":"factory"}
             {"op":"Release","arg":"angle"}
             {"op":"Release","arg":"linear"}
         )")})},
        {"the receiver has no factory to give", 18, Thrown::Runtime,
         Joined({files.FirstFileCalls(), {Call("BeginFile", files.second), R"({"op":"GetValueParserFactory"})"}})},
        {"the receiver refuses the first file", 0, Thrown::Runtime, {Call("BeginFile", files.first)}},
        {"the receiver throws at the final progress", 12, Thrown::Runtime, files.FirstFileCalls()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        const Support::Trace calls = Import(Support::CreatePlugin().Get(), files.All(), {c.at, c.what});
        Support::ExpectTheReferenceAgrees(
            calls, Import(Support::CreatePlugin(Support::Library::Reference).Get(), files.All(), {c.at, c.what}));
        EXPECT_EQ(calls, c.expected);
    }
}

// Every call on a host object, in turn, throws; each kind of exception in turn.
TEST(Boundary, EveryHostCallMayThrow) {
    const Files files;
    Support::PluginPtr plugin = Support::CreatePlugin();
    const Support::Trace undisturbed = Import(plugin.Get(), files.All());
    ASSERT_EQ(std::count(undisturbed.begin(), undisturbed.end(), R"({"op":"SetProgress","arg":100})"), 3);

    for (std::size_t at = 0; at < undisturbed.size(); ++at) {
        SCOPED_TRACE("the call that throws: #" + std::to_string(at) + " " + undisturbed[at]);
        const Support::Trace calls = Import(plugin.Get(), files.All(), {at, static_cast<Thrown>(at % 3)});
        if (undisturbed[at].find(R"("op":"Release")") != std::string::npos) {
            // Releasing is the last thing done with a host object: nothing is left to stop.
            EXPECT_EQ(calls, undisturbed);
            continue;
        }
        // The trace up to the call that threw, then only the releases of what was held (a
        // host object left alive would show as a last line of its own).
        ASSERT_GT(calls.size(), at);
        EXPECT_TRUE(std::equal(calls.begin(), calls.begin() + static_cast<long>(at) + 1, undisturbed.begin()));
        for (std::size_t i = at + 1; i < calls.size(); ++i)
            EXPECT_NE(calls[i].find(R"("op":"Release")"), std::string::npos) << calls[i];
    }
    // The object itself came to no harm.
    EXPECT_EQ(Import(plugin.Get(), files.All()), undisturbed);
}

// ---- Settings and the settings list ----------------------------------------------------

class CThrowingSettingsReader final : public Plugin::ISettingsReader {
public:
    CThrowingSettingsReader(std::int32_t answer, std::string failingKey) : m_answer(answer), m_failingKey(std::move(failingKey)) {}
    void Reserved0() override {}
    std::int32_t ReadInt(const Plugin::WChar* key, std::int32_t) override {
        if (Platform::ToUtf8(key) == m_failingKey) throw std::runtime_error("settings store unavailable");
        return m_answer;
    }

private:
    std::int32_t m_answer;
    std::string m_failingKey;
};

class CThrowingSettingsWriter final : public Plugin::ISettingsWriter {
public:
    explicit CThrowingSettingsWriter(std::string failingKey) : m_failingKey(std::move(failingKey)) {}
    void Reserved0() override {}
    bool WriteInt(const Plugin::WChar* key, std::int32_t value) override {
        calls.push_back(Platform::ToUtf8(key) + "=" + std::to_string(value));
        if (Platform::ToUtf8(key) == m_failingKey) throw std::bad_alloc();
        return true;
    }
    std::vector<std::string> calls;

private:
    std::string m_failingKey;
};

TEST(Boundary, SettingsStoreThatThrows) {
    Support::PluginPtr plugin = Support::CreatePlugin();
    CThrowingSettingsReader reader(0, "ParseFieldBookNode");
    plugin->LoadSettings(&reader);
    // The flag read before the failure took its value; the others kept theirs.
    EXPECT_EQ(Support::SavedSettings(plugin.Get()), (std::vector<std::string>{"ConsiderPrismConstant=0", "ParseFieldBookNode=1",
                                                             "ParseReductionsNode=1"}));

    CThrowingSettingsWriter writer("ParseFieldBookNode");
    plugin->SaveSettings(&writer);
    EXPECT_EQ(writer.calls, (std::vector<std::string>{"ConsiderPrismConstant=0", "ParseFieldBookNode=1"}));
}

// Delegates to the recording view, and throws instead of one chosen call.
class CThrowingView final : public Plugin::IPropertyListView {
public:
    CThrowingView(std::string failingCall, int occurrence) : m_failingCall(std::move(failingCall)), m_occurrence(occurrence) {}

    void SetHeading(const Plugin::WChar* text) override {
        Check("SetHeading");
        inner.SetHeading(text);
    }
    void Reserved1() override {}
    bool AddComboProperty(std::int32_t index, bool flag, const Plugin::WChar* label,
                          Plugin::IEnumerator<Plugin::IComboItem*>* items, std::int32_t currentValue) override {
        Check("AddComboProperty");
        return inner.AddComboProperty(index, flag, label, items, currentValue);
    }
    void Reserved3() override {}
    void Reserved4() override {}
    void Reserved5() override {}
    void GetComboValue(std::int32_t index, std::int32_t* value) override {
        Check("GetComboValue");
        inner.GetComboValue(index, value);
    }

    Host::CRecordingPropertyView inner;

private:
    void Check(const std::string& call) {
        if (call == m_failingCall && --m_occurrence == 0) throw std::runtime_error("view failure");
    }
    std::string m_failingCall;
    int m_occurrence;
};

TEST(Boundary, PropertyViewThatThrows) {
    const std::string heading = "Настройка\n";
    const std::string prism = "[0] Постоянная призмы: 1=Учитывать (*) 0=Не учитывать\n";
    const std::string fieldBook = "[1] Раздел Полевой журнал: 1=Импортировать (*) 0=Не импортировать\n";
    const struct {
        const char* behaviour;
        const char* failingCall;
        int occurrence;
        std::string shown;
    } cases[] = {
        {"at the heading", "SetHeading", 1, ""},
        {"at the first property", "AddComboProperty", 1, heading},
        {"at the third property", "AddComboProperty", 3, heading + prism + fieldBook},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        Support::PluginPtr plugin = Support::CreatePlugin();
        CThrowingView view(c.failingCall, c.occurrence);
        view.inner.keepItem = 0;  // the items kept by the view stay alive, the others go
        plugin->GetPropertyListViewController()->InitializeView(&view);
        EXPECT_EQ(Host::Describe(view.inner), c.shown);
    }
}

TEST(Boundary, ApplyChangesKeepsTheChoicesReadBeforeAFailure) {
    Support::PluginPtr plugin = Support::CreatePlugin();
    CThrowingView view("GetComboValue", 2);
    view.inner.choices = {{0, 0}, {1, 0}, {2, 0}};
    Plugin::IPropertyListViewController* controller = plugin->GetPropertyListViewController();
    controller->InitializeView(&view);
    controller->ApplyChanges();
    EXPECT_EQ(Support::SavedSettings(plugin.Get()), (std::vector<std::string>{"ConsiderPrismConstant=0", "ParseFieldBookNode=1",
                                                             "ParseReductionsNode=1"}));
}

// A view that reads on past the last item is given no item, not memory beyond the list.
class CReadingPastTheEndView final : public Plugin::IPropertyListView {
public:
    void SetHeading(const Plugin::WChar*) override {}
    void Reserved1() override {}
    bool AddComboProperty(std::int32_t, bool, const Plugin::WChar*, Plugin::IEnumerator<Plugin::IComboItem*>* items,
                          std::int32_t) override {
        items->Reset();
        while (items->HasCurrent()) items->MoveNext();
        items->MoveNext();
        pastTheEnd.push_back(items->GetCurrent());
        return true;
    }
    void Reserved3() override {}
    void Reserved4() override {}
    void Reserved5() override {}
    void GetComboValue(std::int32_t, std::int32_t*) override {}
    std::vector<Plugin::IComboItem*> pastTheEnd;
};

TEST(Boundary, NoComboItemPastTheEnd) {
    Support::PluginPtr plugin = Support::CreatePlugin();
    CReadingPastTheEndView view;
    plugin->GetPropertyListViewController()->InitializeView(&view);
    EXPECT_EQ(view.pastTheEnd, (std::vector<Plugin::IComboItem*>{nullptr, nullptr, nullptr}));
}

}  // namespace
