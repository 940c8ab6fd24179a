#include "app/run_at_startup.h"

#include "common/windows_version.h"

namespace tarvex {

std::string RunAtStartupCommand(const RunAtStartupEntry& entry) {
    if (entry.Arguments.empty() && entry.Path.find(' ') == std::string::npos) return entry.Path;
    std::string command = '"' + entry.Path + '"';
    if (!entry.Arguments.empty()) command += ' ' + entry.Arguments;
    return command;
}

bool RunKeyCannotStartElevated(const OsVersionInfo& os, bool userIsAdmin) {
    return IsWindowsVistaOrLater(os) && userIsAdmin;
}

void SetRunAtStartup(RegistryAccess& registry, const RunAtStartupEntry& entry, const OsVersionInfo& os,
                     bool userIsAdmin) {
    if (entry.Path.empty() || RunKeyCannotStartElevated(os, userIsAdmin)) return;
    registry.SetRootKey(RegistryRoot::CurrentUser);
    // A key that does not open fails the write below with its error, rather than passing
    // for an entry added.
    registry.OpenKey(std::string(kRunKey) + (entry.Once ? "Once" : ""), true);
    if (!entry.Remove)
        registry.WriteText(entry.Name, RunAtStartupCommand(entry));
    else if (registry.ValueExists(entry.Name))
        registry.DeleteValue(entry.Name);
}

}  // namespace tarvex
