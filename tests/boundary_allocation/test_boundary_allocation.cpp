// Memory runs out at one allocation, each in turn, while a host creates the plug-in,
// publishes its settings and imports four files. Every call returns; CreatePlugin gives
// null when its own allocation fails; the import keeps what it handed over before the
// failure, releases every host object, and reports the file the failure stopped. Only
// when the file's own memory ran out (its buffer, the screen's outline of it, a tree
// RapidXML builds of it) does the import go on with the next file; any other failure
// ends it. The object works in full afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>

#include "host/file_list.h"
#include "host/property_view.h"
#include "host/receiver.h"
#include "resources/resource_string.h"
#include "platform/utf.h"
#include "support.h"

extern "C" Plugin::IGroundBasedMIP* CreatePlugin();

namespace {

// Where the allocation being made belongs: the plug-in's large blocks (a file's buffer
// and trees), the screen's outline of a file, or anywhere else.
enum class Where { Elsewhere, Large, Screen };
Where g_where = Where::Elsewhere;  // while the screen runs: Screen

// The allocation that fails, counted from 0 once armed, among all allocations or among
// those of one kind; negative: none.
long g_failAt = -1;
Where g_counted = Where::Elsewhere;  // Elsewhere: all of them
long g_allocations = 0;
bool g_failed = false;
bool g_failedFilesOwn = false;  // the one that failed was the file's own memory
// Every allocation fails, as long as it is set.
bool g_exhausted = false;

bool FailsNow(bool large) {
    if (g_exhausted) return true;
    const Where where = large ? Where::Large : g_where;
    if (g_failAt < 0 || (g_counted != Where::Elsewhere && where != g_counted)) return false;
    if (g_allocations++ != g_failAt) return false;
    g_failed = true;
    g_failedFilesOwn = where != Where::Elsewhere;
    return true;
}

void* Allocate(std::size_t size) noexcept { return std::malloc(size ? size : 1); }

}  // namespace

// GCC takes malloc and free in a replaced operator new and delete for a mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    void* block = FailsNow(false) ? nullptr : Allocate(size);
    if (!block) throw std::bad_alloc();
    return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return FailsNow(false) ? nullptr : Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return FailsNow(false) ? nullptr : Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

// Platform::AllocateLarge and Reader::ScreenDocument, as the link wraps them
// (CMakeLists.txt). The screen's types are the reader's, none of the tests' business: its
// text and outline pass through as the pointers they are, its answer as the int it is.
void* RealAllocateLarge(std::size_t size) __asm__("__real_" JXL_ALLOCATE_LARGE);
void* WrappedAllocateLarge(std::size_t size) __asm__("__wrap_" JXL_ALLOCATE_LARGE);
void* WrappedAllocateLarge(std::size_t size) {
    if (FailsNow(true)) throw std::bad_alloc();
    return RealAllocateLarge(size);
}

int RealScreenDocument(void* text, void* outline) __asm__("__real_" JXL_SCREEN_DOCUMENT);
int WrappedScreenDocument(void* text, void* outline) __asm__("__wrap_" JXL_SCREEN_DOCUMENT);
int WrappedScreenDocument(void* text, void* outline) {
    struct Inside {
        Inside() { g_where = Where::Screen; }
        ~Inside() { g_where = Where::Elsewhere; }
    } inside;
    return RealScreenDocument(text, outline);
}

namespace {

using Support::Call;
using Support::Joined;
using Support::Trace;

const Trace kOutOfMemory = Support::Lines(R"(
    {"op":"SetResult","arg":-1}
    {"op":"ShowMessage","arg":"Недостаточно памяти для импорта файла"}
)");

struct Session {
    bool created = false;
    bool importFailed = false;  // the allocation that failed was one of the import's
    Trace calls;  // with a last line for every host object left alive
    std::string shown;
};

struct Armed {
    explicit Armed(long failAt, Where counted = Where::Elsewhere) {
        g_allocations = 0;
        g_failAt = failAt;
        g_counted = counted;
    }
    ~Armed() {
        g_failAt = -1;
        g_counted = Where::Elsewhere;
    }
};

Trace Import(Plugin::IGroundBasedMIP* plugin, const std::vector<std::string>& paths, long failAt = -1,
             Where counted = Where::Elsewhere) {
    Host::CFileList files = Support::FileList(paths);
    Host::CallRecorder recorder;
    recorder.calls.reserve(1000);  // the host's own log never runs out
    {
        Host::CRecordingReceiver receiver(&recorder);
        const Armed armed(failAt, counted);
        plugin->Import(&files, &receiver);
    }
    return Support::TraceOf(recorder);
}

Session RunSession(const std::vector<std::string>& paths, long failAt) {
    Session session;
    g_failed = g_failedFilesOwn = false;
    Plugin::IGroundBasedMIP* plugin = nullptr;
    {
        const Armed armed(failAt);
        plugin = CreatePlugin();
    }
    if (!plugin) return session;
    session.created = true;
    const long afterCreation = failAt - g_allocations;

    Host::CRecordingPropertyView view;
    {
        const Armed armed(afterCreation);
        plugin->GetPropertyListViewController()->InitializeView(&view);
    }
    session.shown = Host::Describe(view);
    const long afterView = afterCreation < 0 ? -1 : afterCreation - g_allocations;
    const bool failedBefore = g_failed;
    session.calls = Import(plugin, paths, afterView);
    session.importFailed = g_failed && !failedBefore;
    plugin->Release();
    return session;
}

bool IsRelease(const std::string& line) { return line.find(R"("op":"Release")") != std::string::npos; }
bool IsBeginFile(const std::string& line) { return line.find(R"("op":"BeginFile")") != std::string::npos; }

// The trace of an import that a failed allocation stopped: the undisturbed trace up to the
// failure, then only releases of what was held, then the report of the file the failure
// stopped; then the next file and the rest of the import as undisturbed, when the file's
// own memory ran out, and nothing more for any other failure.
void ExpectStoppedAndReported(const Trace& calls, const Trace& undisturbed, bool filesOwn) {
    std::size_t same = 0;
    while (same < calls.size() && same < undisturbed.size() && calls[same] == undisturbed[same]) ++same;
    std::size_t report = same;
    while (report < calls.size() && IsRelease(calls[report])) ++report;
    if (report == calls.size()) {
        // Only before the first file is announced is there none to report it for.
        EXPECT_EQ(same, 0u) << "a stopped file without a report";
        return;
    }
    ASSERT_GE(calls.size() - report, kOutOfMemory.size());
    EXPECT_EQ(Trace(calls.begin() + static_cast<long>(report), calls.begin() + static_cast<long>(report + 2)), kOutOfMemory);
    const Trace after(calls.begin() + static_cast<long>(report + 2), calls.end());
    if (filesOwn) {
        const auto next = std::find_if(undisturbed.begin() + static_cast<long>(same), undisturbed.end(), IsBeginFile);
        EXPECT_EQ(after, Trace(next, undisturbed.end()));
    } else {
        EXPECT_EQ(after, Trace{});
    }
}

// Elements without a handler, enough for the tree of the record that holds them to
// outgrow the document's own first 64 KiB and take a large block.
std::string Filler() {
    std::string elements;
    for (int i = 0; i < 1000; ++i) elements += "<x/>";
    return elements;
}

TEST(AllocationFailure, EveryAllocationInTurn) {
    const std::vector<std::string> paths = {
        Support::WriteScratchFile("allocation-1.jxl", Support::FieldBook(R"(
            <AtmosphereRecord ID="a1"><Pressure>1000</Pressure></AtmosphereRecord>
            <StationRecord><StationName>S1</StationName><AtmosphereID>a1</AtmosphereID></StationRecord>
            <PointRecord><Name>P1</Name><Circle><HorizontalCircle>10</HorizontalCircle></Circle></PointRecord>
            <PointRecord><Name>P2</Name><Features><Feature><Attribute><Name>h</Name><Value>1</Value></Attribute>
            </Feature></Features><Code>TREE</Code>)" + Filler() + "</PointRecord>")),
        Support::ScratchPath("allocation-missing.jxl"),
        Support::WriteScratchFile("allocation-3.jxl", "<JOBFile><FieldBook>"),
        Support::WriteScratchFile("allocation-4.jxl", Support::FieldBook(
            "<StationRecord><StationName>S4</StationName></StationRecord>")),
    };
    const Session undisturbed = RunSession(paths, -1);
    ASSERT_TRUE(undisturbed.created);
    ASSERT_TRUE(IsRelease(undisturbed.calls.back())) << undisturbed.calls.back();  // nothing left alive
    // The plug-in's code linked in here gives the host what the library gives it.
    Support::ExpectTheReferenceAgrees(undisturbed.calls, paths, {});

    long failAt = 0;
    int filesOwn = 0;
    for (;; ++failAt) {
        SCOPED_TRACE("allocation #" + std::to_string(failAt) + " fails");
        const Session session = RunSession(paths, failAt);
        if (!g_failed) break;  // past the last allocation
        if (!session.created) {
            EXPECT_EQ(failAt, 0) << "only the object's own allocation may fail CreatePlugin";
            continue;
        }
        filesOwn += g_failedFilesOwn;
        // What the view was shown is what it was shown undisturbed, up to a point.
        EXPECT_EQ(undisturbed.shown.compare(0, session.shown.size(), session.shown), 0) << session.shown;
        if (!session.importFailed) {
            EXPECT_EQ(session.calls, undisturbed.calls);
            continue;
        }

        ExpectStoppedAndReported(session.calls, undisturbed.calls, g_failedFilesOwn);
    }
    EXPECT_GT(failAt, 50) << "the session makes fewer allocations than expected";
    EXPECT_GE(filesOwn, 5) << "three buffers, a record's tree, and the outlines";

    // One object, failures in several imports, then a full one.
    Plugin::IGroundBasedMIP* plugin = CreatePlugin();
    ASSERT_NE(plugin, nullptr);
    for (long at : {3L, 40L, 90L}) Import(plugin, paths, at);
    Import(plugin, paths, 1, Where::Large);
    EXPECT_EQ(Import(plugin, paths), undisturbed.calls);
    plugin->Release();
}

// A file too large for the memory left is stopped, and the next one imported; what the
// stopped file handed over before stays handed over.
TEST(AllocationFailure, AFileTooLargeForTheMemoryLeft) {
    const std::string large = Support::WriteScratchFile("allocation-large.jxl", Support::FieldBook(
        "<StationRecord><StationName>S0</StationName></StationRecord>"
        "<StationRecord><StationName>S1</StationName>" + Filler() + "</StationRecord>"));
    const std::string small = Support::WriteScratchFile("allocation-small.jxl", Support::FieldBook(
        "<StationRecord><StationName>S2</StationName></StationRecord>"));
    const Trace largeFile = Support::Framed(Support::Slice::Walk, large, {Call("AddStation", "S0"), Call("AddStation", "S1")});
    const Trace smallFile = Support::Framed(Support::Slice::Walk, small, {Call("AddStation", "S2")});
    const struct {
        const char* behaviour;
        Where counted;
        long failAt;  // among the allocations of that kind
        Trace expected;
    } cases[] = {
        {"the first file's buffer", Where::Large, 0, Joined({{Call("BeginFile", large)}, kOutOfMemory, smallFile})},
        {"the first file's outline", Where::Screen, 0,
         Joined({{Call("BeginFile", large)}, Support::ParsersMade(), Support::ParsersReleased(), kOutOfMemory, smallFile})},
        {"the tree of the first file's second record", Where::Large, 1,
         Joined({{Call("BeginFile", large)}, Support::ParsersMade(),
                 {R"({"op":"SetProgress","arg":50})", Call("AddStation", "S0")}, Support::ParsersReleased(),
                 kOutOfMemory, smallFile})},
        {"the second file's buffer", Where::Large, 2, Joined({largeFile, {Call("BeginFile", small)}, kOutOfMemory})},
    };
    Plugin::IGroundBasedMIP* plugin = CreatePlugin();
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(Import(plugin, {large, small}), Joined({largeFile, smallFile}));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        EXPECT_EQ(Import(plugin, {large, small}, c.failAt, c.counted), c.expected);
    }
    plugin->Release();
}

// The report's text reaches the host even when no allocation at all succeeds any more.
TEST(AllocationFailure, TheMessageNeedsNoMemory) {
    for (const unsigned id : {IDS_NOT_ENOUGH_MEMORY, IDS_IMPORT_INTERRUPTED}) {
        SCOPED_TRACE(id);
        Plugin::WChar text[Resources::kMessageCapacity];
        g_exhausted = true;
        const bool loaded = Resources::LoadMessage(text, id);
        g_exhausted = false;
        EXPECT_TRUE(loaded);
        Plugin::WString expected;
        Resources::LoadResourceString(expected, id);
        EXPECT_EQ(Plugin::WString(text), expected);
    }
}

}  // namespace
