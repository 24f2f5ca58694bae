// No exception leaves the library: whatever a host object throws, and wherever, the call
// the host made returns, what was imported before stays imported, the file where it
// happened is reported as stopped (SetResult -1 and a message, no final progress),
// nothing is imported after, and every host object the plug-in obtained is released.
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
#include "platform/error.h"
#include "platform/utf.h"
#include "platform/win32.h"
#include "support.h"

namespace {

using Support::Call;
using Support::Joined;
using Support::Lines;
using Support::ParsersMade;
using Support::ParsersReleased;

// ---- Host objects that throw at chosen calls -------------------------------------------

enum class Thrown { Runtime, BadAlloc, Foreign, HResult, HResultOutOfMemory };
constexpr int kThrownKinds = 5;

// The report of a file that a failure stopped: memory exhausted, or anything else.
const Support::Trace kOutOfMemory = Lines(R"(
    {"op":"SetResult","arg":-1}
    {"op":"ShowMessage","arg":"Недостаточно памяти для импорта файла"}
)");
const Support::Trace kInterrupted = Lines(R"(
    {"op":"SetResult","arg":-1}
    {"op":"ShowMessage","arg":"Импорт файла прерван из-за внутренней ошибки"}
)");

const Support::Trace& ReportOf(Thrown what) {
    return what == Thrown::BadAlloc || what == Thrown::HResultOutOfMemory ? kOutOfMemory : kInterrupted;
}

[[noreturn]] void Throw(Thrown what) {
    switch (what) {
    case Thrown::Runtime: throw std::runtime_error("host failure");
    case Thrown::BadAlloc: throw std::bad_alloc();
    case Thrown::Foreign: throw 42;
    case Thrown::HResult: throw Platform::CHResultError(HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER));
    case Thrown::HResultOutOfMemory: throw Platform::CHResultError(E_OUTOFMEMORY);
    }
    throw std::logic_error("no such kind");
}

// Throws right after the call recorded at each of the indices `at` of the import's trace
// (or, for a call that hands out a new object, instead of making it).
struct FaultPlan {
    std::vector<std::size_t> at;
    Thrown what = Thrown::Runtime;

    FaultPlan() = default;
    FaultPlan(std::size_t index, Thrown kind) : at{index}, what(kind) {}
    FaultPlan(std::vector<std::size_t> indices, Thrown kind) : at(std::move(indices)), what(kind) {}

    bool DueNext(const Host::CallRecorder& recorder) const { return Due(recorder.calls.size()); }
    void AfterCall(const Host::CallRecorder& recorder) {
        if (Due(recorder.calls.size() - 1)) Fire(recorder.calls.size() - 1);
    }
    void Fire(std::size_t index) {
        at.erase(std::find(at.begin(), at.end(), index));
        Throw(what);
    }

private:
    bool Due(std::size_t index) const { return std::find(at.begin(), at.end(), index) != at.end(); }
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
            m_plan->Fire(m_recorder->calls.size() - 1);
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
        Plain(Host::Op::GetValueParserFactory);
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

// The host's list of paths, throwing at the `occurrence`-th call (from 1) of one operation.
class CFaultyFileList final : public Plugin::IFileList {
public:
    enum class Op { Reset, HasCurrent, GetCurrent, MoveNext };

    CFaultyFileList(Host::CFileList inner, Op failing, int occurrence, Thrown what)
        : m_inner(std::move(inner)), m_failing(failing), m_occurrence(occurrence), m_what(what) {}

    bool HasCurrent() override {
        Check(Op::HasCurrent);
        return m_inner.HasCurrent();
    }
    void MoveNext() override {
        Check(Op::MoveNext);
        m_inner.MoveNext();
    }
    const Plugin::WChar* GetCurrent() override {
        Check(Op::GetCurrent);
        return m_inner.GetCurrent();
    }
    void Reset() override {
        Check(Op::Reset);
        m_inner.Reset();
    }

private:
    void Check(Op op) {
        if (op == m_failing && --m_occurrence == 0) Throw(m_what);
    }
    Host::CFileList m_inner;
    Op m_failing;
    int m_occurrence;
    Thrown m_what;
};

// Every call of one import through the library, the host objects throwing as planned.
Support::Trace Import(Plugin::IGroundBasedMIP* plugin, Plugin::IFileList* files, FaultPlan plan = {}) {
    Host::CallRecorder recorder;
    CFaultyReceiver receiver(&recorder, &plan);
    plugin->Import(files, &receiver);  // returns, whatever was thrown
    return Support::TraceOf(recorder);
}

Support::Trace Import(Plugin::IGroundBasedMIP* plugin, const std::vector<std::string>& paths, FaultPlan plan = {}) {
    Host::CFileList files = Support::FileList(paths);
    return Import(plugin, &files, std::move(plan));
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
    std::string missing = Support::ScratchPath("boundary-missing.jxl");

    std::vector<std::string> All() const { return {first, second, third}; }

    Support::Trace FirstFileCalls() const {
        return Support::Framed(Support::Slice::Walk, first, Lines(R"(
            {"op":"AddStation","arg":"S1"}
            {"op":"AddObservation","arg":"P1"}
            {"op":"Parse","parser":"angle","arg":"10","result":10}
            {"op":"SetHorizontalCircle","arg":10}
        )"));
    }
    // The second file up to its progress 50.
    Support::Trace SecondFileParsed() const {
        return Joined({FirstFileCalls(), {Call("BeginFile", second)}, ParsersMade(), {R"({"op":"SetProgress","arg":50})"}});
    }
};

TEST(Boundary, AHostObjectThatThrowsEndsTheImportWithAReport) {
    const Files files;
    const struct {
        const char* behaviour;
        FaultPlan plan;  // indices into the trace of this import
        Support::Trace expected;
        std::vector<std::string> paths = {};  // the three files when empty
    } cases[] = {
        {"a value parser throws in the second file", {26, Thrown::Runtime},
         Joined({files.SecondFileParsed(), Lines(R"(
             {"op":"AddStation","arg":"S2"}
             {"op":"Parse","parser":"linear","arg":"1.5","result":1.5}
         )"), ParsersReleased(), kInterrupted})},
        // Memory the host ran out of is no file's: the third file is not imported.
        {"the receiver runs out of memory at a station", {25, Thrown::BadAlloc},
         Joined({files.SecondFileParsed(), {Call("AddStation", "S2")}, ParsersReleased(), kOutOfMemory})},
        {"the factory runs out of memory before the file is parsed", {19, Thrown::BadAlloc},
         Joined({files.FirstFileCalls(), {Call("BeginFile", files.second)}, Lines(R"(
             {"op":"GetValueParserFactory"}
             {"op":"CreateLinearParser","arg":0}
             {"op":"Release","arg":"factory"}
         )"), kOutOfMemory})},
        {"the factory fails on its third parser", {21, Thrown::Foreign},
         Joined({files.FirstFileCalls(), {Call("BeginFile", files.second)}, Lines(R"(
             {"op":"GetValueParserFactory"}
             {"op":"CreateLinearParser","arg":0}
             {"op":"CreateAngleParser","arg":3}
             {"op":"CreatePressureParser","arg":1}
             {"op":"Release","arg":"factory"}
             {"op":"Release","arg":"angle"}
             {"op":"Release","arg":"linear"}
         )"), kInterrupted})},
        {"the receiver has no factory to give", {18, Thrown::Runtime},
         Joined({files.FirstFileCalls(), {Call("BeginFile", files.second), R"({"op":"GetValueParserFactory"})"},
                 kInterrupted})},
        {"the receiver refuses the first file", {0, Thrown::Runtime}, Joined({{Call("BeginFile", files.first)}, kInterrupted})},
        {"the receiver fails with an HRESULT at an observation", {9, Thrown::HResult},
         Joined({{Call("BeginFile", files.first)}, ParsersMade(), Lines(R"(
             {"op":"SetProgress","arg":50}
             {"op":"AddStation","arg":"S1"}
             {"op":"AddObservation","arg":"P1"}
         )"), ParsersReleased(), kInterrupted})},
        {"the receiver fails with E_OUTOFMEMORY at a station", {8, Thrown::HResultOutOfMemory},
         Joined({{Call("BeginFile", files.first)}, ParsersMade(), Lines(R"(
             {"op":"SetProgress","arg":50}
             {"op":"AddStation","arg":"S1"}
         )"), ParsersReleased(), kOutOfMemory})},
        {"the receiver throws at the final progress", {12, Thrown::Runtime}, Joined({files.FirstFileCalls(), kInterrupted})},
        {"the receiver throws at the message of a file that cannot be opened", {1, Thrown::Runtime},
         Joined({{Call("BeginFile", files.missing), Call("ShowMessage", "Не удается открыть файл")}, kInterrupted}),
         {files.missing, files.first}},
        // A receiver that fails again is left alone.
        {"the receiver throws again at the report's result", {{25, 30}, Thrown::BadAlloc},
         Joined({files.SecondFileParsed(), {Call("AddStation", "S2")}, ParsersReleased(), {kOutOfMemory[0]}})},
        {"the receiver throws again at the report's message", {{25, 31}, Thrown::Foreign},
         Joined({files.SecondFileParsed(), {Call("AddStation", "S2")}, ParsersReleased(), kInterrupted})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        const std::vector<std::string> paths = c.paths.empty() ? files.All() : c.paths;
        const Support::Trace calls = Import(Support::CreatePlugin().Get(), paths, c.plan);
        Support::ExpectTheReferenceAgrees(
            calls, Import(Support::CreatePlugin(Support::Library::Reference).Get(), paths, c.plan));
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
        const auto what = static_cast<Thrown>(at % kThrownKinds);
        SCOPED_TRACE("the call that throws: #" + std::to_string(at) + " " + undisturbed[at]);
        const Support::Trace calls = Import(plugin.Get(), files.All(), {at, what});
        if (undisturbed[at].find(R"("op":"Release")") != std::string::npos) {
            // Releasing is the last thing done with a host object: nothing is left to stop.
            EXPECT_EQ(calls, undisturbed);
            continue;
        }
        // The trace up to the call that threw, then only the releases of what was held (a
        // host object left alive would show as a last line of its own), then the report.
        const Support::Trace& report = ReportOf(what);
        ASSERT_GT(calls.size(), at + report.size());
        EXPECT_TRUE(std::equal(calls.begin(), calls.begin() + static_cast<long>(at) + 1, undisturbed.begin()));
        for (std::size_t i = at + 1; i < calls.size() - report.size(); ++i)
            EXPECT_NE(calls[i].find(R"("op":"Release")"), std::string::npos) << calls[i];
        EXPECT_TRUE(std::equal(report.begin(), report.end(), calls.end() - static_cast<long>(report.size())));
    }
    // The object itself came to no harm.
    EXPECT_EQ(Import(plugin.Get(), files.All()), undisturbed);
}

// A list that throws ends the import too, reported for the file announced last; before any
// file is announced there is none to report it for.
TEST(Boundary, AFileListThatThrows) {
    const Files files;
    const Support::Trace first = files.FirstFileCalls();
    const Support::Trace all = Import(Support::CreatePlugin().Get(), files.All());
    using Op = CFaultyFileList::Op;
    const struct {
        const char* behaviour;
        Op failing;
        int occurrence;
        Thrown what;
        Support::Trace expected;
    } cases[] = {
        {"at the reset", Op::Reset, 1, Thrown::Runtime, {}},
        {"at the first question", Op::HasCurrent, 1, Thrown::BadAlloc, {}},
        {"at the first path", Op::GetCurrent, 1, Thrown::Foreign, {}},
        {"at the second path", Op::GetCurrent, 2, Thrown::Runtime, Joined({first, kInterrupted})},
        {"moving on from the first file", Op::MoveNext, 1, Thrown::BadAlloc, Joined({first, kOutOfMemory})},
        {"moving on from the last file", Op::MoveNext, 3, Thrown::Runtime, Joined({all, kInterrupted})},
        {"asking after the last file", Op::HasCurrent, 4, Thrown::HResultOutOfMemory, Joined({all, kOutOfMemory})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        for (const Support::Library library : {Support::Library::Plugin, Support::Library::Reference}) {
            CFaultyFileList list(Support::FileList(files.All()), c.failing, c.occurrence, c.what);
            EXPECT_EQ(Import(Support::CreatePlugin(library).Get(), &list), c.expected);
        }
    }
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
