// GoogleTest on Windows takes std::mutex and std::condition_variable for granted in one
// class of its own, Notification (a start signal for the threads of its own tests), and
// GCC's win32 thread model has neither. This one, on an event of the system's
// (gtest_win32_threads.cpp), stands in for it: the Windows build puts this file in front of
// every C++ source of the tests.
#pragma once

#ifdef __cplusplus

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification();
    ~Notification();
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify();
    void WaitForNotification();

private:
    void* m_event;
};

}  // namespace internal
}  // namespace testing

#endif
