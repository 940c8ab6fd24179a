#pragma once
// RegistryAccess over advapi32's wide-character calls.
//
// Tarvex.exe is a 32-bit program. On 64-bit Windows such a program sees a copy of much of
// HKEY_LOCAL_MACHINE\SOFTWARE (WOW6432Node) unless it asks for the native view, and the
// keys it tunes and lists (the adapters' cards among them) are those of the native, 64-bit
// system. So every open asks for the native view where there is one.
#include <windows.h>

#include "platform/registry_access.h"
#include "platform/win32/unique_handle.h"

namespace tarvex {

using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE process, BOOL* wow64);

// KEY_WOW64_64KEY for a process that `isWow64Process` reports as running under WOW64, else 0:
// 32-bit Windows and 64-bit programs see the native view anyway, and Windows 2000, which
// lacks IsWow64Process, refuses the flag. A missing or failing function counts as no WOW64.
REGSAM NativeRegistryView(IsWow64ProcessFunction isWow64Process, HANDLE process);
// The same for this process, with IsWow64Process looked up at run time (XP SP2 and later).
REGSAM NativeRegistryView();

class Win32RegistryAccess final : public RegistryAccess {
public:
    // `view` joins the access of every open: KEY_WOW64_64KEY, KEY_WOW64_32KEY or 0.
    explicit Win32RegistryAccess(REGSAM view = NativeRegistryView()) : view_(view) {}

    void SetRootKey(RegistryRoot root) override;
    bool OpenKey(std::string_view path, bool canCreate) override;
    void CloseKey() override { key_.reset(); }
    bool ValueExists(std::string_view name) override;
    std::optional<std::uint32_t> ValueType(std::string_view name) override;
    std::int32_t ReadInteger(std::string_view name) override;
    std::string ReadText(std::string_view name) override;
    double ReadDateTime(std::string_view name) override;
    std::string ReadBinary(std::string_view name) override;
    std::optional<RawRegistryValue> ReadRaw(std::string_view name) override;
    void WriteInteger(std::string_view name, std::int32_t value) override;
    void WriteText(std::string_view name, std::string_view text) override;
    void WriteDateTime(std::string_view name, double value) override;
    void WriteBinary(std::string_view name, std::string_view bytes) override;
    void WriteRaw(std::string_view name, const RawRegistryValue& value) override;
    bool DeleteValue(std::string_view name) override;
    std::vector<std::string> ListSubkeys() override;
    std::vector<std::string> ListValues() override;
    void Flush() override;

private:
    struct StoredValue {
        DWORD Type = REG_NONE;
        std::string Data;
    };
    // The open key's value, or false when it is missing (or no key is open); throws
    // GetDataError when the query fails otherwise.
    bool Query(std::string_view name, StoredValue& value);
    void Set(std::string_view name, DWORD type, const void* data, std::size_t size);

    HKEY root_ = HKEY_CURRENT_USER;
    REGSAM view_;
    UniqueHkey key_;
};

}  // namespace tarvex
