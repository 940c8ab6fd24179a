#pragma once
// An in-memory registry behind the RegistryAccess port: keys per root, values with their type
// numbers and raw bytes, names compared without regard to case as the registry does. Tests
// seed it, run the code under test through FakeRegistryAccess, and look at what was stored.
// It can also fail the way the real one does: a value whose writes fail, a key that exists
// but does not open (no rights), a key deleted while it is open.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry_access.h"

namespace tarvex::testing {

struct FakeRegistryValue {
    std::uint32_t Type = kRegNone;
    std::string Data;      // the bytes as stored: REG_DWORD little-endian, REG_SZ as UTF-8 without a NUL
    bool RawText = false;  // a text type whose Data are UTF-16LE bytes that do not decode

    static FakeRegistryValue Dword(std::uint32_t value);
    static FakeRegistryValue Text(std::string_view text, std::uint32_t type = kRegSz);
    static FakeRegistryValue Binary(std::string_view bytes, std::uint32_t type = kRegBinary);

    friend bool operator==(const FakeRegistryValue&, const FakeRegistryValue&) = default;
};
std::ostream& operator<<(std::ostream& out, const FakeRegistryValue& value);

class FakeRegistry {
public:
    FakeRegistry();

    // Paths start at the root, with or without a leading backslash.
    void CreateKey(RegistryRoot root, std::string_view path);
    bool KeyExists(RegistryRoot root, std::string_view path) const;
    void DeleteKey(RegistryRoot root, std::string_view path);  // with everything below it
    // Creates the key when it is missing.
    void SetValue(RegistryRoot root, std::string_view path, std::string_view name, FakeRegistryValue value);
    std::optional<FakeRegistryValue> Value(RegistryRoot root, std::string_view path, std::string_view name) const;
    std::vector<std::string> ValueNames(RegistryRoot root, std::string_view path) const;
    // Every key and value of a root, for comparing whole states: a key's path (lower case)
    // maps to nothing, a value's path and name (joined by a backslash) to the value.
    std::map<std::string, std::optional<FakeRegistryValue>> Contents(RegistryRoot root) const;

    // Every write and removal of a value of this name fails, in any key.
    void FailWritesOf(std::string_view name);
    void AllowWritesOf(std::string_view name);  // writes of it work again
    // The key stays as it is, but opening it fails as it does for a user without rights.
    void DenyOpen(RegistryRoot root, std::string_view path);
    // The key opens and reads, but every write or removal of its values fails (a key without
    // write rights); AllowWritesIn undoes it.
    void DenyWritesIn(RegistryRoot root, std::string_view path);
    void AllowWritesIn(RegistryRoot root, std::string_view path);
    // Whether the key holds writes that no Flush has put on disk yet.
    bool Unflushed(RegistryRoot root, std::string_view path) const;
    // Called before each write or removal of a value (root, key path as stored, value name):
    // where a test looks at the state at the moment of a write.
    std::function<void(RegistryRoot, const std::string&, std::string_view)> OnWrite;

    std::unique_ptr<RegistryAccess> NewAccess();

private:
    friend class FakeRegistryAccess;
    struct Key {
        std::string Name;  // the last part of the path as first created
        std::map<std::string, std::pair<std::string, FakeRegistryValue>> Values;  // lower-case name -> name, value
    };
    using KeyId = std::pair<RegistryRoot, std::string>;  // the lower-case path, parts joined by backslashes

    static std::string KeyPath(std::string_view path);  // as stored: no outer backslashes, original case
    static KeyId Id(RegistryRoot root, std::string_view keyPath);
    Key* Find(RegistryRoot root, std::string_view keyPath);
    const Key* Find(RegistryRoot root, std::string_view keyPath) const;
    Key& Create(RegistryRoot root, std::string_view keyPath);
    bool WriteFails(std::string_view name) const;
    bool OpenDenied(RegistryRoot root, std::string_view keyPath) const;
    bool ReadOnly(RegistryRoot root, std::string_view keyPath) const;

    std::map<KeyId, Key> keys_;  // the roots are the keys with the empty path
    std::set<std::string> failingWrites_;
    std::set<KeyId> deniedKeys_;
    std::set<KeyId> unflushed_;
    std::set<KeyId> readOnlyKeys_;
};

class FakeRegistryAccess final : public RegistryAccess {
public:
    explicit FakeRegistryAccess(FakeRegistry& registry) : registry_(registry) {}

    void SetRootKey(RegistryRoot root) override { root_ = root; }
    bool OpenKey(std::string_view path, bool canCreate) override;
    void CloseKey() override { open_.reset(); }
    bool ValueExists(std::string_view name) override;
    std::optional<std::uint32_t> ValueType(std::string_view name) override;
    std::int32_t ReadInteger(std::string_view name) override;
    std::string ReadText(std::string_view name) override;
    double ReadDateTime(std::string_view name) override;
    std::string ReadBinary(std::string_view name) override;
    // Text types are kept here as UTF-8 without a terminator and given out as the registry's
    // UTF-16LE with one; raw text bytes that are not well-formed UTF-16 are kept as they are.
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
    // The open key; null when none is open or it was deleted since.
    FakeRegistry::Key* OpenedKey();
    // The open key's value, or null when it is missing; throws GetDataError when the open key was deleted.
    const FakeRegistryValue* Query(std::string_view name);
    void Store(std::string_view name, FakeRegistryValue value);

    FakeRegistry& registry_;
    RegistryRoot root_ = RegistryRoot::CurrentUser;
    std::optional<std::pair<RegistryRoot, std::string>> open_;  // the open key's root and path
};

}  // namespace tarvex::testing
