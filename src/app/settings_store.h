#pragma once
// The program's own settings in the current user's registry: the main window's bounds, the
// Program Options, the monitored adapter, the proxy details and the update schedule. The main
// window loads them once at the end of its creation and saves them once when it closes; in
// between its models and controls hold them. Load and save work on a plain record, which the
// window copies into its models and controls, or fills from them.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/program_options.h"
#include "common/error.h"
#include "platform/ansi_code_page.h"
#include "platform/registry_access.h"

namespace tarvex {

inline constexpr char kWindowPositionKey[] = "\\Software\\Quillmont\\Tarvex\\Settings\\Window Position";
inline constexpr char kGeneralKey[] = "\\Software\\Quillmont\\Tarvex\\Settings\\General";
inline constexpr char kAdaptersKey[] = "\\Software\\Quillmont\\Tarvex\\Settings\\Adapters";
inline constexpr char kUpdateKey[] = "\\Software\\Quillmont\\Tarvex\\Settings\\Update";
// The window's component name, which the position values start with ("TarvexMainForm_Left").
inline constexpr char kMainFormName[] = "TarvexMainForm";

// A rectangle in screen pixels: the window's normal-state bounds, a monitor's work area.
struct WindowBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    friend bool operator==(const WindowBounds&, const WindowBounds&) = default;
};

struct ProgramSettings {
    WindowBounds Window;           // the bounds of the normal state, also while minimised or hidden
    bool WindowMaximized = false;  // saving leaves the stored bounds as they are
    ProgramOptions Options;
    int SelectedAdapter = 0;  // index in the adapter list; -1: none
    std::string ProxyServer;
    std::string ProxyUserName;
    std::string ProxyPassword;     // as typed, UTF-8; stored as its scrambled ANSI bytes
    double LastUpdateCheck = 0.0;  // "CheckForUpdatesDate": days since 30 December 1899, local time
};

// What the load needs to know of the window and the machine.
struct SettingsLoadContext {
    WindowBounds LayoutBounds;  // the window as its layout made it, before the load
    int ScreenWidth = 0;        // the primary screen, for centring
    int ScreenHeight = 0;
    std::vector<WindowBounds> WorkAreas;  // every monitor's work area, the primary one first
    int MinimumWidth = 0;                 // the window's smallest outer size, which it grows to
    int MinimumHeight = 0;
    int AdapterCount = 0;  // entries of the adapter list
    double Now = 0.0;      // the current local date-time, same units as LastUpdateCheck
};

struct LoadedSettings {
    // Every value read, the defaults (and LayoutBounds, centred or not) where none was.
    ProgramSettings Settings;
    // "Start Tarvex in System Tray" was loaded checked: show the window minimised (to the
    // tray when minimise-to-tray is on).
    bool StartMinimized = false;
    // The "Update" group was loaded with checks on: run the scheduled update check with
    // Settings.LastUpdateCheck and Settings.Options.UpdateInterval, then FinishScheduledCheck.
    bool ScheduledCheckPending = false;
    // No time was stored at all: Settings.LastUpdateCheck is Now (as it is for a stored value
    // that does not read as a time).
    bool LastUpdateCheckMissing = false;
    // The read that stopped the load ("Failed to get data for 'StartInTray'"...), to report;
    // the groups after it were not loaded.
    std::optional<Error> Failure;
    // The names of the values that were not read: the position values after one that failed,
    // and the value that stopped the load with every one after it. Settings holds defaults there.
    std::vector<std::string> Unread;
};

// Reads the groups "Window Position", "General", "Adapters" and "Update", in this order. A
// group whose key is missing keeps its defaults (a missing "Window Position" centres the
// window on the primary screen). A missing or mistyped value ends the position reads alone,
// but ends the whole load in the other groups. The result's window has at least the minimum
// size and lies on a work area at that size: one stored on a monitor that is gone comes back
// onto the nearest one.
LoadedSettings LoadSettings(RegistryAccess& registry, AnsiCodePage& codePage, const SettingsLoadContext& context);

// The end of the "Update" group when ScheduledCheckPending, after the scheduled update check
// with `loaded.Settings.LastUpdateCheck`: stores `lastCheck`, the time it finished, when the
// check ran (`checkRan`); when none ran, only where no time was stored at all (its first start
// with checks on), so that the interval counts from there instead of never being due. A stored
// value that does not read as a time stays as it is. A failing write throws its error.
void FinishScheduledCheck(RegistryAccess& registry, const LoadedSettings& loaded, bool checkRan, double lastCheck);

// Writes the groups in the load's order, creating the keys; a group whose key does not open is
// skipped. A value that `loaded` did not read is written only when `settings` has it changed
// from what the load gave: what is stored there stays otherwise, whatever it is. `updateAutostart`
// gets "Load Tarvex at Windows Startup" right after it is written (it must use a registry object
// of its own). The first failing write throws its error ("Failed to set data for '%s'"): the
// caller reports it and keeps the window open.
void SaveSettings(RegistryAccess& registry, AnsiCodePage& codePage, const ProgramSettings& settings,
                  const LoadedSettings& loaded, const std::function<void(bool loadAtWinStart)>& updateAutostart);

// The window centred on a screen of this size, halves truncated, never left of or above 0.
WindowBounds CentreOnScreen(WindowBounds window, int screenWidth, int screenHeight);
// The window where it is when a piece of it (kMinVisiblePixels square, or all of a smaller
// window) lies in some work area; else moved, at its size, onto the nearest work area as far
// in as its size allows.
inline constexpr int kMinVisiblePixels = 32;
WindowBounds BringOntoWorkArea(WindowBounds window, const std::vector<WindowBounds>& workAreas);

}  // namespace tarvex
