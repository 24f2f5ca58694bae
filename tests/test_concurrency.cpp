// Two plug-in objects importing at the same moment, each on a host thread of its own, as
// a host may: each host is given exactly the calls of a lone import. The library starts
// no thread; the threads here are the host's. (GCC's win32 thread model has no
// std::thread: on Windows they are the system's own.)
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <thread>
#endif

#include "support.h"

namespace {

using Support::Trace;

// Runs both at once, each on a thread of its own, and waits for both.
void RunTogether(std::function<void()>& first, std::function<void()>& second) {
#ifdef _WIN32
    const auto run = [](void* body) -> DWORD {
        (*static_cast<std::function<void()>*>(body))();
        return 0;
    };
    HANDLE threads[] = {::CreateThread(nullptr, 0, run, &first, 0, nullptr),
                        ::CreateThread(nullptr, 0, run, &second, 0, nullptr)};
    ASSERT_TRUE(threads[0] && threads[1]);
    ASSERT_EQ(::WaitForMultipleObjects(2, threads, TRUE, INFINITE), WAIT_OBJECT_0);
    for (HANDLE thread : threads) ::CloseHandle(thread);
#else
    std::thread one(first), other(second);
    one.join();
    other.join();
#endif
}

TEST(Concurrency, TwoImportsAtTheSameMomentOnTwoHostThreads) {
    const Support::Piece stations = Support::Stations(0, 20000);  // some 1.7 MB
    std::string points;
    for (int i = 0; i < 20000; ++i)
        points += "<Point><Name>P" + std::to_string(i) + "</Name><Code>C</Code><Grid><North>" + std::to_string(i) +
                  ".5</North><East>1</East></Grid></Point>";
    // Each list holds files whose messages come from the string table, so that both
    // threads look texts up as well.
    const std::vector<std::string> firstFiles = {
        Support::WriteScratchFile("together-1.jxl", Support::FieldBook(stations.text)),
        std::string(JXL_SOURCE_DIR) + "/examples/traverse.jxl",
        Support::WriteScratchFile("together-1-malformed.jxl", "<JOBFile><FieldBook>"),
        Support::ScratchPath("together-1-missing.jxl"),
    };
    const std::vector<std::string> secondFiles = {
        Support::WriteScratchFile("together-2.jxl", Support::Reductions(points)),
        Support::WriteScratchFile("together-2-sections.jxl", "<JOBFile/>"),
        std::string(JXL_SOURCE_DIR) + "/examples/typical.jxl",
    };
    Support::Settings secondSettings;
    secondSettings.prismConstant = false;

    // Each alone first; the libraries are loaded by then.
    const Trace firstAlone = Support::Import(Support::Library::Plugin, firstFiles);
    const Trace secondAlone = Support::Import(Support::Library::Plugin, secondFiles, secondSettings);
    ASSERT_GT(firstAlone.size(), 60000u);
    ASSERT_GT(secondAlone.size(), 80000u);

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Trace first, second;
        std::atomic<int> ready{0};
        // Neither starts its import until both threads are there.
        const auto together = [&ready] {
            ++ready;
            while (ready < 2) {
            }
        };
        std::function<void()> firstHost = [&] {
            together();
            first = Support::Import(Support::Library::Plugin, firstFiles);
        };
        std::function<void()> secondHost = [&] {
            together();
            second = Support::Import(Support::Library::Plugin, secondFiles, secondSettings);
        };
        RunTogether(firstHost, secondHost);
        EXPECT_TRUE(first == firstAlone) << "the first host was given other calls";
        EXPECT_TRUE(second == secondAlone) << "the second host was given other calls";
    }
}

}  // namespace
