// Memory runs out at one allocation, each in turn, while a host creates the plug-in,
// publishes its settings and imports three files. Every call returns; CreatePlugin gives
// null when its own allocation fails; the import keeps what it handed over before the
// failure and hands over nothing after it; every host object is released; and the
// object works in full afterwards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "host/file_list.h"
#include "host/property_view.h"
#include "host/receiver.h"
#include "support.h"

extern "C" Plugin::IGroundBasedMIP* CreatePlugin();

namespace {

// The allocation that fails, counted from 0 once armed; negative: none.
long g_failAt = -1;
long g_allocations = 0;
bool g_failed = false;

bool FailsNow() {
    if (g_failAt < 0) return false;
    if (g_allocations++ != g_failAt) return false;
    g_failed = true;
    return true;
}

void* Allocate(std::size_t size) noexcept { return std::malloc(size ? size : 1); }

}  // namespace

// GCC takes malloc and free in a replaced operator new and delete for a mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    void* block = FailsNow() ? nullptr : Allocate(size);
    if (!block) throw std::bad_alloc();
    return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return FailsNow() ? nullptr : Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return FailsNow() ? nullptr : Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace {

struct Session {
    bool created = false;
    Support::Trace calls;  // with a last line for every host object left alive
    std::string shown;
};

struct Armed {
    explicit Armed(long failAt) {
        g_allocations = 0;
        g_failAt = failAt;
    }
    ~Armed() { g_failAt = -1; }
};

Support::Trace Import(Plugin::IGroundBasedMIP* plugin, const std::vector<std::string>& paths, long failAt = -1) {
    Host::CFileList files = Support::FileList(paths);
    Host::CallRecorder recorder;
    recorder.calls.reserve(1000);  // the host's own log never runs out
    {
        Host::CRecordingReceiver receiver(&recorder);
        const Armed armed(failAt);
        plugin->Import(&files, &receiver);
    }
    return Support::TraceOf(recorder);
}

Session RunSession(const std::vector<std::string>& paths, long failAt) {
    Session session;
    g_failed = false;
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
    session.calls = Import(plugin, paths, afterView);
    plugin->Release();
    return session;
}

bool IsRelease(const std::string& line) { return line.find(R"("op":"Release")") != std::string::npos; }

TEST(AllocationFailure, EveryAllocationInTurn) {
    const std::vector<std::string> paths = {
        Support::WriteScratchFile("allocation-1.jxl", Support::FieldBook(R"(
            <AtmosphereRecord ID="a1"><Pressure>1000</Pressure></AtmosphereRecord>
            <StationRecord><StationName>S1</StationName><AtmosphereID>a1</AtmosphereID></StationRecord>
            <PointRecord><Name>P1</Name><Circle><HorizontalCircle>10</HorizontalCircle></Circle></PointRecord>
            <PointRecord><Name>P2</Name><Features><Feature><Attribute><Name>h</Name><Value>1</Value></Attribute>
            </Feature></Features><Code>TREE</Code></PointRecord>)")),
        Support::ScratchPath("allocation-missing.jxl"),
        Support::WriteScratchFile("allocation-3.jxl", "<JOBFile><FieldBook>"),
    };
    const Session undisturbed = RunSession(paths, -1);
    ASSERT_TRUE(undisturbed.created);
    ASSERT_TRUE(IsRelease(undisturbed.calls.back())) << undisturbed.calls.back();  // nothing left alive
    // The plug-in's code linked in here gives the host what the library gives it.
    Support::ExpectTheReferenceAgrees(undisturbed.calls, paths, {});

    long failAt = 0;
    for (;; ++failAt) {
        SCOPED_TRACE("allocation #" + std::to_string(failAt) + " fails");
        const Session session = RunSession(paths, failAt);
        if (!g_failed) break;  // past the last allocation
        if (!session.created) {
            EXPECT_EQ(failAt, 0) << "only the object's own allocation may fail CreatePlugin";
            continue;
        }
        // What the view was shown is what it was shown undisturbed, up to a point.
        EXPECT_EQ(undisturbed.shown.compare(0, session.shown.size(), session.shown), 0) << session.shown;
        // The trace up to the failure, then only releases of what was held.
        std::size_t same = 0;
        while (same < session.calls.size() && same < undisturbed.calls.size() &&
               session.calls[same] == undisturbed.calls[same])
            ++same;
        for (std::size_t i = same; i < session.calls.size(); ++i)
            EXPECT_TRUE(IsRelease(session.calls[i])) << session.calls[i];
    }
    EXPECT_GT(failAt, 50) << "the session makes fewer allocations than expected";

    // One object, failures in several imports, then a full one.
    Plugin::IGroundBasedMIP* plugin = CreatePlugin();
    ASSERT_NE(plugin, nullptr);
    for (long at : {3L, 40L, 90L}) Import(plugin, paths, at);
    EXPECT_EQ(Import(plugin, paths), undisturbed.calls);
    plugin->Release();
}

}  // namespace
