// GoogleTest's customisation point, found before its own (empty) copy. The
// win32 thread-model compilers the project builds with have no std::mutex or
// std::condition_variable, which GoogleTest's Notification (a helper of its
// own thread tests) is written with; this one waits on a Win32 event instead.
// GoogleTest's other locks on Windows are critical sections already.
#ifndef FILEMENDER_GTEST_CUSTOM_PORT_H_
#define FILEMENDER_GTEST_CUSTOM_PORT_H_

#ifdef _WIN32
#include <windows.h>

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() {
        if (event_)
            CloseHandle(event_);
    }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

} // namespace internal
} // namespace testing

#define GTEST_HAS_NOTIFICATION_ 1
#endif

#endif
