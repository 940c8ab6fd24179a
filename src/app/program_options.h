#pragma once
// The Program Options page: its check boxes, the update interval list and their rules.
#include <array>

namespace tarvex {

inline constexpr std::array<const char*, 5> kUpdateIntervalTexts = {
    "time the program starts", "day", "3 days", "Monday", "first day of the month"};
inline constexpr int kDefaultUpdateInterval = 1;  // "day"

struct ProgramOptions {
    bool LoadAtWinStart = false;
    bool StartInTray = false;
    bool MinimizeToTray = false;
    bool CheckForUpdates = true;
    int UpdateInterval = kDefaultUpdateInterval;  // -1: none selected
};

// Checking "Start Tarvex in System Tray" checks "Minimize to System Tray" too; unchecking
// it changes nothing else. Returns whether minimise-to-tray changed.
bool StartInTrayClicked(ProgramOptions& options);

// The interval list is enabled exactly when update checks are on; its choice stays.
inline bool UpdateIntervalEnabled(const ProgramOptions& options) { return options.CheckForUpdates; }

}  // namespace tarvex
