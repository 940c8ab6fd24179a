#pragma once
// The Program Options page's state and rules: three tray and start-up switches, the update
// check switch and its interval. The page's controls write into the model; the model tells
// the page (OnChange) and the tray icon (OnMinimizeToTrayChange) what changed, once.
#include <array>
#include <functional>
#include <string>

namespace tarvex {

inline constexpr std::array<const char*, 5> kUpdateIntervalTexts = {"time the program starts", "day", "3 days",
                                                                    "Monday", "first day of the month"};
inline constexpr int kDefaultUpdateInterval = 1;  // "day"

struct ProgramOptions {
    bool LoadAtWinStart = false;
    bool StartInTray = false;
    bool MinimizeToTray = false;
    bool CheckForUpdates = true;
    int UpdateInterval = kDefaultUpdateInterval;  // -1: none selected
    friend bool operator==(const ProgramOptions&, const ProgramOptions&) = default;
};

class ProgramOptionsModel {
public:
    const ProgramOptions& Options() const { return options_; }
    // The interval list is enabled exactly when update checks are on; its choice stays.
    bool UpdateIntervalEnabled() const { return options_.CheckForUpdates; }

    // The user's clicks and choices.
    void SetLoadAtWinStart(bool on);
    // Checking it checks "Minimize to System Tray" too; unchecking changes nothing else.
    void SetStartInTray(bool on);
    void SetMinimizeToTray(bool on);
    void SetCheckForUpdates(bool on);
    void SetUpdateInterval(int index);
    // All at once, as the stored settings give them; reports to the tray icon as well.
    void Assign(const ProgramOptions& options);

    std::function<void()> OnChange;                       // any state above changed
    std::function<void(bool on)> OnMinimizeToTrayChange;  // each time the switch is set

private:
    void Changed(bool minimizeToTraySet);
    ProgramOptions options_;
};

// The proxy details of the Support page, which the update checks use.
struct ProxyDetails {
    std::string Server;
    std::string UserName;
    std::string Password;
    friend bool operator==(const ProxyDetails&, const ProxyDetails&) = default;
};

class ProxyDetailsModel {
public:
    const ProxyDetails& Details() const { return details_; }
    // The user's typing, one box at a time.
    void SetServer(std::string text);
    void SetUserName(std::string text);
    void SetPassword(std::string text);
    // All at once, as the stored settings give them.
    void Assign(ProxyDetails details);
    std::function<void()> OnChange;

private:
    void Set(std::string& field, std::string text);
    ProxyDetails details_;
};

}  // namespace tarvex
