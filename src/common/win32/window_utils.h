#pragma once
// Small window and platform services shared by the program's windows.
#include <windows.h>

#include "platform/os_version.h"

namespace tarvex {

// Gives a window the system's message font. A child control that was never given a font,
// or has the window's, follows it and gets the new font as a whole; any other keeps its
// size and style and takes the new font's face. Does nothing when the metrics cannot be read.
void ApplyFormFont(HWND window);

// The size of NONCLIENTMETRICSW that the running Windows accepts: Windows before Vista
// refuse the record with iPaddedBorderWidth.
UINT NonClientMetricsSize(const OsVersionInfo& os);

// Enables the system menu's Close command, or disables and greys it.
void EnableCloseCommand(HWND window, bool enabled);

// False before Vista; otherwise what shell32's IsUserAnAdmin says (false when missing).
bool IsUserAdministrator(const OsVersionInfo& os);

// Whether visual styles are available to this program (uxtheme is there), and whether they
// draw its windows now (available, the program themed and a theme active).
bool VisualStylesAvailable();
bool VisualStylesInUse();

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
