// The autostart entry in an in-memory registry: what each request leaves in the Run keys on
// each kind of Windows, and a write that fails.
#include "app/run_at_startup.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/fake_registry.h"

namespace tarvex {
namespace {

using testing::FakeRegistry;
using testing::FakeRegistryValue;

constexpr auto HKCU = RegistryRoot::CurrentUser;
const char* const kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char* const kExe = "C:\\Tarvex\\Tarvex.exe";

OsVersionInfo Os(OsPlatform platform, std::uint32_t major, std::uint32_t minor) {
    OsVersionInfo os;
    os.Platform = platform;
    os.Major = major;
    os.Minor = minor;
    return os;
}
const OsVersionInfo kWin98 = Os(OsPlatform::Windows9x, 4, 10);
const OsVersionInfo kXp = Os(OsPlatform::WindowsNT, 5, 1);
const OsVersionInfo kVista = Os(OsPlatform::WindowsNT, 6, 0);
const OsVersionInfo kWin10 = Os(OsPlatform::WindowsNT, 10, 0);

TEST(RunAtStartupTest, WhatEachRequestLeavesInTheRunKeys) {
    struct Case {
        const char* what;
        OsVersionInfo os;
        bool admin;
        RunAtStartupEntry entry;
        std::optional<std::string> before;  // "Tarvex" under Run before the call
        std::optional<std::string> run;     // after it
        std::optional<std::string> runOnce;
    };
    const std::string quotedWithArgs = std::string("\"") + kExe + "\" --tray";
    const std::vector<Case> cases = {
        {"added on XP, the path alone", kXp, false, {"Tarvex", kExe}, std::nullopt, kExe, std::nullopt},
        {"replaces what was there", kXp, false, {"Tarvex", kExe}, "C:\\Old\\Tarvex.exe", kExe, std::nullopt},
        {"arguments quote the path",
         kXp,
         false,
         {"Tarvex", kExe, "--tray"},
         std::nullopt,
         quotedWithArgs,
         std::nullopt},
        {"a path with a blank is quoted",
         kXp,
         false,
         {"Tarvex", "C:\\Program Files\\Tarvex\\Tarvex.exe"},
         std::nullopt,
         "\"C:\\Program Files\\Tarvex\\Tarvex.exe\"",
         std::nullopt},
        {"once goes to RunOnce", kXp, false, {"Tarvex", kExe, "", false, true}, std::nullopt, std::nullopt, kExe},
        {"removed when there", kXp, false, {"Tarvex", kExe, "", true}, kExe, std::nullopt, std::nullopt},
        {"removal of nothing", kXp, false, {"Tarvex", kExe, "", true}, std::nullopt, std::nullopt, std::nullopt},
        {"empty path: nothing added", kXp, false, {"Tarvex", ""}, std::nullopt, std::nullopt, std::nullopt},
        {"empty path: nothing removed", kXp, false, {"Tarvex", "", "", true}, kExe, kExe, std::nullopt},
        {"an administrator on 9x counts for nothing", kWin98, true, {"Tarvex", kExe}, std::nullopt, kExe, std::nullopt},
        {"an administrator on XP too", kXp, true, {"Tarvex", kExe}, std::nullopt, kExe, std::nullopt},
        {"Vista, no administrator", kVista, false, {"Tarvex", kExe}, std::nullopt, kExe, std::nullopt},
        {"Vista, administrator: not added", kVista, true, {"Tarvex", kExe}, std::nullopt, std::nullopt, std::nullopt},
        {"Windows 10, administrator: not removed", kWin10, true, {"Tarvex", kExe, "", true}, kExe, kExe, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeRegistry registry;
        registry.SetValue(HKCU, kRun, "Other", FakeRegistryValue::Text("other.exe"));
        if (c.before) registry.SetValue(HKCU, kRun, "Tarvex", FakeRegistryValue::Text(*c.before));
        auto access = registry.NewAccess();
        access->SetRootKey(RegistryRoot::LocalMachine);  // whatever root was chosen before
        SetRunAtStartup(*access, c.entry, c.os, c.admin);

        const auto text = [](const std::optional<std::string>& data) {
            return data ? std::optional(FakeRegistryValue::Text(*data)) : std::nullopt;
        };
        EXPECT_EQ(registry.Value(HKCU, kRun, "Tarvex"), text(c.run));
        EXPECT_EQ(registry.Value(HKCU, kRunOnce, "Tarvex"), text(c.runOnce));
        EXPECT_EQ(registry.Value(HKCU, kRun, "Other"), FakeRegistryValue::Text("other.exe"));
        EXPECT_TRUE(registry.ValueNames(RegistryRoot::LocalMachine, kRun).empty());
    }
}

TEST(RunAtStartupTest, FailingWriteReportsItsError) {
    FakeRegistry registry;
    registry.FailWritesOf("Tarvex");
    auto access = registry.NewAccess();
    try {
        SetRunAtStartup(*access, {"Tarvex", kExe}, kXp, false);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'Tarvex'");
    }
}

TEST(RunAtStartupTest, RunKeyThatDoesNotOpenFailsTheAddLoudly) {
    FakeRegistry registry;
    registry.CreateKey(HKCU, kRun);
    registry.DenyOpen(HKCU, kRun);
    auto access = registry.NewAccess();
    EXPECT_THROW(SetRunAtStartup(*access, {"Tarvex", kExe}, kXp, false), Error);
    EXPECT_NO_THROW(SetRunAtStartup(*access, {"Tarvex", kExe, "", true}, kXp, false));
}

}  // namespace
}  // namespace tarvex
