#pragma once
// The current user's autostart list: a value under the Run (or RunOnce) key whose data is the
// command Windows runs at logon.
#include <string>

#include "platform/os_version.h"
#include "platform/registry_access.h"

namespace tarvex {

inline constexpr char kRunKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kRunValueName[] = "Tarvex";

struct RunAtStartupEntry {
    std::string Name;       // the value's name
    std::string Path;       // the executable's full path; empty: nothing is done
    std::string Arguments;  // may be empty
    bool Remove = false;    // remove the value instead of writing it
    bool Once = false;      // the RunOnce key: Windows removes the value when it has run it
};

// The command stored for the entry: the path alone, or in double quotes followed by a blank
// and the arguments. A path with a blank is quoted even without arguments, as otherwise
// Windows would try to run "C:\Program" and so on, a program anyone may put there.
std::string RunAtStartupCommand(const RunAtStartupEntry& entry);

// The Run key starts programs unelevated, and on Vista and later Tarvex always runs
// elevated for an administrator, so there the Run key cannot start it.
bool RunKeyCannotStartElevated(const OsVersionInfo& os, bool userIsAdmin);

// Adds or removes the entry under HKEY_CURRENT_USER, creating the key when needed. Does
// nothing for an empty path or when RunKeyCannotStartElevated; a value to remove that is not
// there is left alone. A failing write throws its error; `registry` is left with the Run key
// open (or none).
void SetRunAtStartup(RegistryAccess& registry, const RunAtStartupEntry& entry, const OsVersionInfo& os,
                     bool userIsAdmin);

}  // namespace tarvex
