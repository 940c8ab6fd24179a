#include "platform/win32/system_restart.h"

#include <windows.h>

#include "platform/win32/unique_handle.h"

namespace tarvex {
namespace {

constexpr DWORD kReasonMajorApplication = 0x00040000;  // SHTDN_REASON_MAJOR_APPLICATION

}  // namespace

bool Win32SystemRestart::EnableShutdownPrivilege() {
    UniqueKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, OutParam(token))) return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) return false;
    // The call succeeds also when the token lacks the privilege; then the last error is
    // ERROR_NOT_ALL_ASSIGNED, so only a last error of 0 means it is enabled.
    SetLastError(ERROR_SUCCESS);
    const BOOL adjusted = AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
    return adjusted && GetLastError() == ERROR_SUCCESS;
}

bool Win32SystemRestart::Reboot() {
    // No EWX_FORCE: running programs may still refuse, as the user would expect.
    return ExitWindowsEx(EWX_REBOOT, kReasonMajorApplication) != FALSE;
}

}  // namespace tarvex
