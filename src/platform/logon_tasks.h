#pragma once
// Port: tasks in the root folder of the Windows Task Scheduler, which start a program when a
// user logs on (with the highest privileges, where the Run key starts it unelevated). The
// Win32 adapter is platform/win32/logon_tasks.h: Task Scheduler 2.0, Vista and later. Where
// the scheduler cannot be reached (Windows XP has no such interface) every call fails, and
// the caller keeps to the Run key.
#include <optional>
#include <string>

namespace tarvex {

class LogonTasks {
public:
    virtual ~LogonTasks() = default;
    // Creates the task `name` from its XML definition for the current user's interactive
    // logon, or replaces the definition of a task of that name. True when the scheduler has
    // taken it; false for an empty name, a definition it refuses, or no scheduler.
    virtual bool Register(const std::string& name, const std::string& xml) = 0;
    // Whether the scheduler holds a task `name`; false also when it cannot be asked.
    virtual bool Exists(const std::string& name) = 0;
    // The task's definition as the scheduler holds it (it may differ in form from what was
    // registered); nullopt when there is no such task or the scheduler cannot be asked.
    virtual std::optional<std::string> Definition(const std::string& name) = 0;
    // Removes the task. True when no task `name` is left, including when there was none (the
    // caller wants it gone, not to know who removed it); false when the scheduler refused or
    // cannot be reached.
    virtual bool Delete(const std::string& name) = 0;
};

}  // namespace tarvex
