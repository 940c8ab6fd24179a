#include "app/autostart.h"

#include "app/logon_task.h"
#include "app/run_at_startup.h"
#include "common/error.h"

namespace tarvex {

void ApplyAutostart(RegistryAccess& run, LogonTasks& tasks, const AutostartTarget& target, bool on) {
    if (target.ExePath.empty()) return;
    if (!RunKeyCannotStartElevated(target.Os, target.UserIsAdmin)) {
        SetRunAtStartup(run, {kAutostartName, target.ExePath, "", !on, false}, target.Os, target.UserIsAdmin);
        return;
    }
    const std::string name = LogonTaskName(target.UserId);
    const bool done = on ? tasks.Register(name, LogonTaskXml(target.UserId, target.ExePath, "")) : tasks.Delete(name);
    if (!done) throw Error(kAutostartFailed);
}

std::optional<bool> AutostartRegistered(LogonTasks& tasks, const AutostartTarget& target) {
    if (!RunKeyCannotStartElevated(target.Os, target.UserIsAdmin)) return std::nullopt;
    return tasks.Exists(LogonTaskName(target.UserId));
}

}  // namespace tarvex
