// The restart adapter's privilege step against Wine's process token. The restart itself is
// not asked for here: it would end the shared prefix's programs.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/system_restart.h"
#include "platform/win32/unique_handle.h"

namespace tarvex {
namespace {

// Whether the process token holds the shutdown privilege enabled, read independently.
bool ShutdownPrivilegeEnabled() {
    UniqueKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, OutParam(token))) return false;
    LUID shutdown{};
    if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &shutdown)) return false;
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), size, &size)) return false;
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
        if (entry.Luid.LowPart == shutdown.LowPart && entry.Luid.HighPart == shutdown.HighPart) {
            return (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
        }
    }
    return false;
}

// Disables it again, so that the adapter's enabling is what the test sees.
void DisableShutdownPrivilege() {
    UniqueKernelHandle token;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, OutParam(token)));
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    ASSERT_TRUE(LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid));
    ASSERT_TRUE(AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr));
}

TEST(SystemRestartAdapterTest, EnablesTheShutdownPrivilegeOfTheProcessToken) {
    DisableShutdownPrivilege();
    ASSERT_FALSE(ShutdownPrivilegeEnabled());
    Win32SystemRestart restart;
    ASSERT_TRUE(restart.EnableShutdownPrivilege());
    EXPECT_TRUE(ShutdownPrivilegeEnabled());
    EXPECT_TRUE(restart.EnableShutdownPrivilege());  // enabling it again is no failure
}

}  // namespace
}  // namespace tarvex
