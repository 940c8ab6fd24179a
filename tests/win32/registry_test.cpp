// The registry adapter against Wine's registry: the port's contract in a scratch key of the
// current user, the roots, the stored form of texts, and which view of a 64-bit registry it uses.
#include "platform/win32/registry_access.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/error.h"
#include "driver.h"
#include "platform/win32/unicode.h"
#include "support/registry_contract.h"

namespace tarvex {
namespace {

using driver::RegistryKey;
using driver::RegistryView;

// A key name of this run, so that parallel runs never meet.
std::string UniqueName(const char* prefix) {
    static int count = 0;
    return std::string(prefix) + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++count);
}

RegistryKey Key(HKEY root, std::string_view path, RegistryView view = RegistryView::Default) {
    return {root, Utf8ToWide(path), view};
}

std::vector<uint8_t> Bytes(std::string_view bytes) {
    return {bytes.begin(), bytes.end()};
}

struct Win32Env {
    Win32Env() : scratch_("Software\\TarvexTests\\" + UniqueName("Registry")) {}
    ~Win32Env() { driver::DeleteKeyTree(Key(HKEY_CURRENT_USER, scratch_)); }

    std::unique_ptr<RegistryAccess> NewAccess() { return std::make_unique<Win32RegistryAccess>(); }
    std::string Scratch() { return scratch_; }
    void SeedBytes(std::string_view path, std::string_view name, std::uint32_t type, std::string_view bytes) {
        ASSERT_TRUE(driver::WriteValue(Key(HKEY_CURRENT_USER, path), Utf8ToWide(name), type, Bytes(bytes)));
    }
    // As Windows stores text: UTF-16 with a terminating NUL.
    void SeedText(std::string_view path, std::string_view name, std::uint32_t type, std::string_view text) {
        const std::wstring wide = Utf8ToWide(text);
        SeedBytes(path, name, type,
                  std::string_view(reinterpret_cast<const char*>(wide.c_str()), (wide.size() + 1) * sizeof(wchar_t)));
    }
    std::optional<std::uint32_t> StoredType(std::string_view path, std::string_view name) {
        return driver::ValueType(Key(HKEY_CURRENT_USER, path), Utf8ToWide(name));
    }
    std::optional<std::string> StoredBytes(std::string_view path, std::string_view name) {
        const auto value = driver::ReadValue(Key(HKEY_CURRENT_USER, path), Utf8ToWide(name));
        return value ? std::optional(std::string(value->Data.begin(), value->Data.end())) : std::nullopt;
    }
    bool KeyExists(std::string_view path) { return driver::KeyExists(Key(HKEY_CURRENT_USER, path)); }
    void DeleteKey(std::string_view path) { ASSERT_TRUE(driver::DeleteKeyTree(Key(HKEY_CURRENT_USER, path))); }

private:
    std::string scratch_;
};

}  // namespace

namespace testing {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryContractTest, Win32Env);
}  // namespace testing

namespace {

TEST(Win32RegistryTest, TextIsStoredAsUtf16WithItsNul) {
    Win32Env env;
    Win32RegistryAccess registry;
    ASSERT_TRUE(registry.OpenKey("\\" + env.Scratch(), true));
    registry.WriteText("DefaultTTL", "64");
    EXPECT_EQ(env.StoredBytes(env.Scratch(), "DefaultTTL"), std::string("6\0004\0\0\0", 6));
}

// A key of HKEY_LOCAL_MACHINE\SOFTWARE, removed from both views afterwards.
class MachineSoftwareKey {
public:
    MachineSoftwareKey() : path_("SOFTWARE\\" + UniqueName("TarvexTests")) {}
    ~MachineSoftwareKey() {
        for (const RegistryView view : {RegistryView::Force64, RegistryView::Force32})
            driver::DeleteKeyTree(Key(HKEY_LOCAL_MACHINE, path_, view));
    }
    const std::string& Path() const { return path_; }
    RegistryKey In(std::string_view below, RegistryView view) const {
        return Key(HKEY_LOCAL_MACHINE, below.empty() ? path_ : path_ + "\\" + std::string(below), view);
    }

private:
    std::string path_;
};

bool Is64BitWindows() {
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    return system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

// A key that refuses changes is no missing key: it reads, and a write to it fails loudly.
TEST(Win32RegistryTest, AKeyThatRefusesChangesOpensForReadingAndItsWritesFail) {
    Win32Env env;
    const std::string path = env.Scratch() + "\\ReadOnly";
    const RegistryKey key = Key(HKEY_CURRENT_USER, path);
    ASSERT_TRUE(driver::WriteDword(key, L"Window", 64240));
    ASSERT_TRUE(driver::SetKeyWritable(key, false));

    Win32RegistryAccess registry;
    registry.SetRootKey(RegistryRoot::CurrentUser);
    for (const bool canCreate : {false, true}) {
        ASSERT_TRUE(registry.OpenKey("\\" + path, canCreate)) << canCreate;
        EXPECT_EQ(registry.ReadInteger("Window"), 64240);
        for (const auto& change : {std::function<void()>([&] { registry.WriteInteger("Window", 1); }),
                                   std::function<void()>([&] { registry.RemoveValue("Window"); })}) {
            try {
                change();
                ADD_FAILURE() << "the change went through";
            } catch (const Error& error) {
                EXPECT_STREQ(error.what(), "Failed to set data for 'Window'");
            }
        }
        registry.RemoveValue("Missing");  // nothing to remove is no error
        registry.CloseKey();
    }
    EXPECT_EQ(driver::ReadDword(key, L"Window"), std::optional<DWORD>(64240));
    ASSERT_TRUE(driver::SetKeyWritable(key, true));
}

TEST(Win32RegistryTest, RootsAreTheMachineTheUserAndTheClasses) {
    const MachineSoftwareKey machine;
    Win32RegistryAccess registry;
    registry.SetRootKey(RegistryRoot::LocalMachine);
    ASSERT_TRUE(registry.OpenKey("\\" + machine.Path(), true));
    registry.WriteInteger("Root", 2);
    EXPECT_EQ(driver::ReadDword(machine.In("", RegistryView::Force64), L"Root"), DWORD{2});
    EXPECT_FALSE(driver::KeyExists(Key(HKEY_CURRENT_USER, machine.Path())));

    const RegistryKey classes = Key(HKEY_CLASSES_ROOT, UniqueName("TarvexTests."));
    registry.SetRootKey(RegistryRoot::ClassesRoot);
    ASSERT_TRUE(registry.OpenKey("\\" + WideToUtf8(classes.SubKey) + "\\shell\\open\\command", true));
    registry.WriteText("", "viewer.exe \"%1\"");
    registry.CloseKey();
    EXPECT_EQ(driver::ReadString(Key(HKEY_CLASSES_ROOT, WideToUtf8(classes.SubKey) + "\\shell\\open\\command"), L""),
              L"viewer.exe \"%1\"");
    EXPECT_TRUE(driver::DeleteKeyTree(classes));
}

TEST(Win32RegistryTest, NativeViewOnlyUnderWow64) {
    struct Report {
        static BOOL WINAPI Wow64(HANDLE, BOOL* wow64) {
            *wow64 = TRUE;
            return TRUE;
        }
        static BOOL WINAPI Native(HANDLE, BOOL* wow64) {
            *wow64 = FALSE;
            return TRUE;
        }
        static BOOL WINAPI Fails(HANDLE, BOOL* wow64) {
            *wow64 = TRUE;  // what it leaves behind counts for nothing
            return FALSE;
        }
    };
    const HANDLE self = GetCurrentProcess();
    EXPECT_EQ(NativeRegistryView(Report::Wow64, self), REGSAM{KEY_WOW64_64KEY});
    EXPECT_EQ(NativeRegistryView(Report::Native, self), REGSAM{0});
    EXPECT_EQ(NativeRegistryView(Report::Fails, self), REGSAM{0});
    EXPECT_EQ(NativeRegistryView(nullptr, self), REGSAM{0});  // Windows 2000: no such function, no flag
    // The tests run the i686 build under 32-bit Wine or the x86_64 build under 64-bit Wine,
    // neither of them under WOW64.
    EXPECT_EQ(NativeRegistryView(), REGSAM{0});
}

// What a 32-bit program would see without asking for the native view, shown by a 64-bit one
// asking for the 32-bit view: every open, creation and listing goes to WOW6432Node. The
// program's own choice, the native view, reaches the 64-bit keys.
TEST(Win32RegistryTest, TheViewReachesEveryOpen) {
    if (!Is64BitWindows()) GTEST_SKIP() << "32-bit Windows has one view of its registry";
    const MachineSoftwareKey machine;
    Win32RegistryAccess redirected(KEY_WOW64_32KEY);
    redirected.SetRootKey(RegistryRoot::LocalMachine);
    ASSERT_TRUE(redirected.OpenKey("\\" + machine.Path() + "\\a", true));
    ASSERT_TRUE(redirected.OpenKey("b", true));
    redirected.WriteInteger("View", 32);
    EXPECT_EQ(driver::ReadDword(machine.In("a\\b", RegistryView::Force32), L"View"), DWORD{32});
    EXPECT_FALSE(driver::KeyExists(machine.In("", RegistryView::Force64)));

    Win32RegistryAccess native;
    native.SetRootKey(RegistryRoot::LocalMachine);
    EXPECT_FALSE(native.OpenKey("\\" + machine.Path() + "\\a", false));
    ASSERT_TRUE(native.OpenKey("\\" + machine.Path() + "\\c", true));
    native.WriteInteger("View", 64);
    EXPECT_EQ(driver::ReadDword(machine.In("c", RegistryView::Force64), L"View"), DWORD{64});
    EXPECT_FALSE(driver::KeyExists(machine.In("c", RegistryView::Force32)));

    ASSERT_TRUE(redirected.OpenKey("\\" + machine.Path(), false));
    EXPECT_EQ(redirected.ListSubkeys(), std::vector<std::string>{"a"});
    ASSERT_TRUE(native.OpenKey("\\" + machine.Path(), false));
    EXPECT_EQ(native.ListSubkeys(), std::vector<std::string>{"c"});
}

}  // namespace
}  // namespace tarvex
