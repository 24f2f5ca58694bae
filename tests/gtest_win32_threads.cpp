#include "gtest_win32_threads.h"

#include <windows.h>

namespace testing {
namespace internal {

Notification::Notification() : m_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
Notification::~Notification() { ::CloseHandle(m_event); }
void Notification::Notify() { ::SetEvent(m_event); }
void Notification::WaitForNotification() { ::WaitForSingleObject(m_event, INFINITE); }

}  // namespace internal
}  // namespace testing
