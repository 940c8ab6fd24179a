#pragma once
// Port: the registry operations the program needs, over one root and at most one open key.
// Callers make one object per operation and let it go when the operation ends; the Win32
// adapter is platform/win32/registry_access.h, tests use an in-memory registry.
//
// Paths are UTF-8, with backslashes between key names. A path that starts with a backslash
// starts at the root; any other path continues from the open key (from the root when none is
// open). Value names are UTF-8 too; the empty name is the key's default value.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"

namespace tarvex {

enum class RegistryRoot { CurrentUser, LocalMachine, ClassesRoot };
// The root as the registry editor names it: "HKEY_LOCAL_MACHINE"...
std::string_view RegistryRootName(RegistryRoot root);

// The value types as the registry numbers them (REG_SZ, REG_DWORD...), for the adapters and
// for tests that look at what was stored.
enum RegistryValueType : std::uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegDwordBigEndian = 5,
    kRegMultiSz = 7,
    kRegQword = 11,
};

// A value as the registry keeps it: its type number and its bytes exactly, text types as
// UTF-16LE with whatever terminators they were stored with. What a backup keeps, so that a
// value of any type, well-formed or not, goes back as it was.
struct RawRegistryValue {
    std::uint32_t Type = kRegNone;
    std::string Data;
    friend bool operator==(const RawRegistryValue&, const RawRegistryValue&) = default;
};

class RegistryAccess {
public:
    virtual ~RegistryAccess() = default;

    // The root of the next open; HKEY_CURRENT_USER until set.
    virtual void SetRootKey(RegistryRoot root) = 0;
    // Opens `path` with all access, creating it and any missing parents when `canCreate`; true
    // when it is open. Whatever key was open before is closed, also when this open fails, so a
    // failed open never leaves writes going to the previous key.
    virtual bool OpenKey(std::string_view path, bool canCreate) = 0;
    virtual void CloseKey() = 0;

    // With no key open every value counts as missing and every write fails.
    virtual bool ValueExists(std::string_view name) = 0;
    // The stored value's type (kRegSz, kRegBinary...), nothing when it is missing.
    virtual std::optional<std::uint32_t> ValueType(std::string_view name) = 0;
    // REG_DWORD, its 32 bits taken as signed. Missing: GetDataError; another type: InvalidTypeError.
    virtual std::int32_t ReadInteger(std::string_view name) = 0;
    // REG_SZ or REG_EXPAND_SZ (unexpanded) up to the first NUL; missing or empty gives "",
    // another type InvalidTypeError.
    virtual std::string ReadText(std::string_view name) = 0;
    // An 8-byte REG_BINARY holding a date-time (days since 30 December 1899, local time).
    // Missing: GetDataError; another type or size: InvalidTypeError.
    virtual double ReadDateTime(std::string_view name) = 0;
    // A REG_BINARY of any length, its bytes as stored. Missing: GetDataError; another type:
    // InvalidTypeError.
    virtual std::string ReadBinary(std::string_view name) = 0;
    // The value of any type as stored; nothing when it is missing or no key is open. A failing
    // query throws GetDataError.
    virtual std::optional<RawRegistryValue> ReadRaw(std::string_view name) = 0;
    // Each store its value's type or throws SetDataError.
    virtual void WriteInteger(std::string_view name, std::int32_t value) = 0;
    virtual void WriteText(std::string_view name, std::string_view text) = 0;
    virtual void WriteDateTime(std::string_view name, double value) = 0;
    virtual void WriteBinary(std::string_view name, std::string_view bytes) = 0;
    // Stores the value's type and bytes unchanged.
    virtual void WriteRaw(std::string_view name, const RawRegistryValue& value) = 0;
    // True when the value was there and is gone; a missing value is no error.
    virtual bool DeleteValue(std::string_view name) = 0;
    // The names of the open key's direct subkeys, empty when no key is open.
    virtual std::vector<std::string> ListSubkeys() = 0;
    // The names of the open key's values, empty when no key is open.
    virtual std::vector<std::string> ListValues() = 0;
    // Returns once what was written to the open key is on disk. Fails (SetDataError of the empty
    // name, the default value's) when it cannot, or when no key is open.
    virtual void Flush() = 0;

    // Removes the value; a missing value is no error, a removal the registry refuses (a key
    // that opened for reading only) throws SetDataError, as a refused write does.
    void RemoveValue(std::string_view name);

    // Flags are integers: true when not 0, stored as 1 or 0.
    bool ReadFlag(std::string_view name) { return ReadInteger(name) != 0; }
    void WriteFlag(std::string_view name, bool value) { WriteInteger(name, value ? 1 : 0); }

    // The registry's error texts, with the value's name.
    static Error GetDataError(std::string_view name);
    static Error InvalidTypeError(std::string_view name);
    static Error SetDataError(std::string_view name);
};

}  // namespace tarvex
