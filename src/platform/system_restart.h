#pragma once
// Port: asking Windows to restart the computer. The Win32 adapter is
// platform/win32/system_restart.h; tests record the calls.
namespace tarvex {

class SystemRestart {
public:
    virtual ~SystemRestart() = default;
    // Enables the shutdown privilege in the process's token (NT family only); true when it is enabled.
    virtual bool EnableShutdownPrivilege() = 0;
    // Asks Windows to restart, letting running programs refuse; true when Windows accepted the request.
    virtual bool Reboot() = 0;
};

}  // namespace tarvex
