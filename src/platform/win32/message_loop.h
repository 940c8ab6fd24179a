#pragma once
// The one place a message of the UI thread is dispatched: the main loop, the message-pumping
// wait and every other loop use it, so dialog keys (Tab, Enter, Esc, mnemonics) work the
// same everywhere.
#include <windows.h>

#include <vector>

namespace tarvex {

// Translates and dispatches one message; keyboard messages for a window inside one of the
// thread's top-level windows with dialog navigation go through its dialog handling first.
void DispatchThreadMessage(MSG& msg);

// A modal window's loop: runs the thread's messages until `done` is set or `window` is gone. A
// WM_QUIT (the program is ending) ends it and is posted again for the loop that owns it.
void RunModalLoop(const bool& done, HWND window);

// Runs every pending message of the thread. Returns false when a WM_QUIT was taken: it
// is posted again for the loop that owns it.
bool ProcessPendingMessages();

// Disables the program's other enabled top-level windows (those of this thread) for its life,
// and enables them again however the scope ends.
class OtherWindowsDisabled {
public:
    explicit OtherWindowsDisabled(HWND except);
    ~OtherWindowsDisabled();
    OtherWindowsDisabled(const OtherWindowsDisabled&) = delete;
    OtherWindowsDisabled& operator=(const OtherWindowsDisabled&) = delete;

private:
    std::vector<HWND> disabled_;
};

}  // namespace tarvex
