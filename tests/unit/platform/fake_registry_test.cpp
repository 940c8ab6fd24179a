// The in-memory registry keeps the registry port's contract (the same tests run against the
// Windows registry under Wine), and fails the ways tests ask it to.
#include "support/fake_registry.h"

#include <gtest/gtest.h>

#include "support/registry_contract.h"

namespace tarvex::testing {
namespace {

constexpr auto HKCU = RegistryRoot::CurrentUser;
constexpr auto HKLM = RegistryRoot::LocalMachine;
constexpr auto HKCR = RegistryRoot::ClassesRoot;

struct FakeEnv {
    std::unique_ptr<RegistryAccess> NewAccess() { return registry.NewAccess(); }
    std::string Scratch() { return "Software\\Scratch"; }
    void SeedBytes(std::string_view path, std::string_view name, std::uint32_t type, std::string_view bytes) {
        registry.SetValue(HKCU, path, name, FakeRegistryValue::Binary(bytes, type));
    }
    void SeedText(std::string_view path, std::string_view name, std::uint32_t type, std::string_view text) {
        registry.SetValue(HKCU, path, name, FakeRegistryValue::Text(text, type));
    }
    std::optional<std::uint32_t> StoredType(std::string_view path, std::string_view name) {
        const auto value = registry.Value(HKCU, path, name);
        return value ? std::optional(value->Type) : std::nullopt;
    }
    std::optional<std::string> StoredBytes(std::string_view path, std::string_view name) {
        const auto value = registry.Value(HKCU, path, name);
        return value ? std::optional(value->Data) : std::nullopt;
    }
    bool KeyExists(std::string_view path) { return registry.KeyExists(HKCU, path); }
    void DeleteKey(std::string_view path) { registry.DeleteKey(HKCU, path); }

    FakeRegistry registry;
};
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, RegistryContractTest, FakeEnv);

TEST(FakeRegistryTest, EachRootHasKeysOfItsOwnAndARelativeOpenStaysInTheOpenKeysRoot) {
    FakeRegistry registry;
    FakeRegistryAccess access(registry);
    ASSERT_TRUE(access.OpenKey("\\Same\\Path", true));  // HKEY_CURRENT_USER until set
    access.WriteInteger("v", 1);
    access.SetRootKey(HKLM);
    ASSERT_TRUE(access.OpenKey("\\Same\\Path", true));
    access.WriteInteger("v", 2);
    access.SetRootKey(HKCR);
    ASSERT_TRUE(access.OpenKey("\\Same", false) == false);
    access.SetRootKey(HKLM);
    ASSERT_TRUE(access.OpenKey("\\Same", false));
    access.SetRootKey(HKCR);
    ASSERT_TRUE(access.OpenKey("Path", false));  // below HKLM's open key, not in HKCR
    EXPECT_EQ(access.ReadInteger("v"), 2);
    EXPECT_EQ(registry.Value(HKCU, "Same\\Path", "v"), FakeRegistryValue::Dword(1));
    EXPECT_EQ(registry.Value(HKLM, "\\Same\\Path", "V"), FakeRegistryValue::Dword(2));
    EXPECT_FALSE(registry.KeyExists(HKCR, "Same"));
}

TEST(FakeRegistryTest, WritesOfANamedValueFailEverywhereAndLeaveTheOldValue) {
    FakeRegistry registry;
    registry.SetValue(HKLM, "K", "DefaultTTL", FakeRegistryValue::Text("64"));
    registry.FailWritesOf("defaultttl");
    FakeRegistryAccess access(registry);
    access.SetRootKey(HKLM);
    ASSERT_TRUE(access.OpenKey("\\K", false));
    EXPECT_THROW(access.WriteInteger("DefaultTTL", 1), Error);
    EXPECT_THROW(access.WriteText("DefaultTTL", "1"), Error);
    EXPECT_THROW(access.WriteDateTime("DefaultTTL", 1), Error);
    access.WriteInteger("Other", 1);
    EXPECT_FALSE(access.DeleteValue("DefaultTTL"));  // as from a key that opened for reading only
    EXPECT_EQ(registry.Value(HKLM, "K", "DefaultTTL"), FakeRegistryValue::Text("64"));
}

TEST(FakeRegistryTest, DeniedKeyDoesNotOpenEvenToCreateAndStaysAsItWas) {
    FakeRegistry registry;
    registry.SetValue(HKLM, "Locked", "v", FakeRegistryValue::Dword(3));
    registry.DenyOpen(HKLM, "\\LOCKED");
    FakeRegistryAccess access(registry);
    access.SetRootKey(HKLM);
    EXPECT_FALSE(access.OpenKey("\\Locked", false));
    EXPECT_FALSE(access.OpenKey("\\Locked", true));
    EXPECT_EQ(registry.ValueNames(HKLM, "Locked"), std::vector<std::string>{"v"});
}

}  // namespace
}  // namespace tarvex::testing
