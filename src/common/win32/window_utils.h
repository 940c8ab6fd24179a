#pragma once
// Small window and platform services shared by the program's windows.
#include <windows.h>

#include "platform/os_version.h"

namespace tarvex {

// Gives a window the system's message font and its child controls that font's face
// (each keeps its size and style). Does nothing when the metrics cannot be read.
void ApplyFormFont(HWND window);

// Enables the system menu's Close command, or disables and greys it.
void EnableCloseCommand(HWND window, bool enabled);

// False before Vista; otherwise what shell32's IsUserAnAdmin says (false when missing).
bool IsUserAdministrator(const OsVersionInfo& os);

// Asks for a 1 ms timer resolution for the object's life.
class TimerResolution {
public:
    TimerResolution();
    ~TimerResolution();
    TimerResolution(const TimerResolution&) = delete;
    TimerResolution& operator=(const TimerResolution&) = delete;

private:
    bool granted_;
};

}  // namespace tarvex

namespace tarvex {

// Makes a window the foreground window, attaching to the input of the thread that owns
// the current foreground window when that is another thread.
void BringToForeground(HWND window);

}  // namespace tarvex
