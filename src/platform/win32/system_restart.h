#pragma once
// Asks Windows to restart: the shutdown privilege from the process token, then ExitWindowsEx.
#include "platform/system_restart.h"

namespace tarvex {

class Win32SystemRestart final : public SystemRestart {
public:
    bool EnableShutdownPrivilege() override;
    bool Reboot() override;
};

}  // namespace tarvex
