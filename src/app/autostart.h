#pragma once
// "Load Tarvex at Windows Startup". Where the Run key can start the program it is a Run value.
// On Vista and later an administrator runs Tarvex elevated, which the Run key cannot start, so
// there it is a logon task with the highest privileges, and the box shows whether the task is
// there.
#include <optional>
#include <string>

#include "platform/logon_tasks.h"
#include "platform/os_version.h"
#include "platform/registry_access.h"

namespace tarvex {

inline constexpr char kAutostartName[] = "Tarvex";
inline constexpr char kAutostartFailed[] = "Tarvex could not be set to start with Windows.";

struct AutostartTarget {
    OsVersionInfo Os;
    bool UserIsAdmin = false;
    std::string UserId;   // "DOMAIN\user", for the logon task
    std::string ExePath;  // the program to start
};

// Adds or removes the Run value or the logon task; throws Error when Windows refused.
void ApplyAutostart(RegistryAccess& run, LogonTasks& tasks, const AutostartTarget& target, bool on);

// With a logon task: whether it is there. With the Run key: nullopt (the stored option holds).
std::optional<bool> AutostartRegistered(LogonTasks& tasks, const AutostartTarget& target);

}  // namespace tarvex
