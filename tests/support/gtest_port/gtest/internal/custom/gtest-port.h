#pragma once
// GoogleTest's port settings for the Windows tree, found before GoogleTest's own empty
// file of this name. The win32 thread model of the compiler has no std::mutex or
// std::condition_variable, which GoogleTest's Notification waits with; this one waits on
// a Win32 event. The rest of GoogleTest already locks with its own Win32 mutex.
#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
public:
    Notification();
    ~Notification();
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    // Lets every thread that waits, or will wait, go on.
    void Notify();
    void WaitForNotification();

private:
    void* event_;  // a manual-reset event
};

}  // namespace testing::internal
