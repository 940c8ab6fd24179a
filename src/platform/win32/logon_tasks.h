#pragma once
// Logon tasks through Task Scheduler 2.0 (ITaskService, Vista and later). ole32 and oleaut32
// are loaded on first use, so a start that never asks loads neither; on Windows XP the
// scheduler's class does not exist and every call fails.
#include "platform/logon_tasks.h"

namespace tarvex {

class Win32LogonTasks final : public LogonTasks {
public:
    bool Register(const std::string& name, const std::string& xml) override;
    bool Exists(const std::string& name) override;
    std::optional<std::string> Definition(const std::string& name) override;
    bool Delete(const std::string& name) override;
};

}  // namespace tarvex
