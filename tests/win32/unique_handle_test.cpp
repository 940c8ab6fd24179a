// Handle owners and the out-parameter helper: with fake handles where the order of closes
// matters, and with the real calls that hand out handles.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"

namespace tarvex {
namespace {

// Numbers for handles; every close is recorded and, like a real close may, sets the last error.
struct FakeTraits {
    using Handle = int;
    static Handle Invalid() noexcept { return 0; }
    static void Close(Handle h) noexcept {
        Closed.push_back(h);
        SetLastError(ERROR_INVALID_HANDLE);
    }
    static inline std::vector<int> Closed;
};
using UniqueFake = UniqueHandle<FakeTraits>;

// Opens handle `result` (0: fails with ERROR_ACCESS_DENIED and writes nothing); records
// which handles were already closed when it ran.
BOOL OpenFake(int result, int* handle, std::vector<int>* closedDuringCall) {
    *closedDuringCall = FakeTraits::Closed;
    if (result == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    *handle = result;
    return TRUE;
}

class OutParamTest : public testing::Test {
protected:
    void SetUp() override { FakeTraits::Closed.clear(); }
};

TEST_F(OutParamTest, OwnerTakesWhatTheCallWroteAndClosesItsOldHandleAfterTheCall) {
    UniqueFake owner(7);
    std::vector<int> closedDuringCall;
    ASSERT_TRUE(OpenFake(8, OutParam(owner), &closedDuringCall));
    EXPECT_EQ(owner.get(), 8);
    EXPECT_TRUE(closedDuringCall.empty());  // the old handle was still open for the call
    EXPECT_EQ(FakeTraits::Closed, std::vector<int>{7});
    owner.reset();
    EXPECT_EQ(FakeTraits::Closed, (std::vector<int>{7, 8}));
}

TEST_F(OutParamTest, FailedCallLeavesTheOwnerEmptyAndItsErrorReadable) {
    UniqueFake owner(7);
    std::vector<int> closedDuringCall;
    DWORD error = 0;
    if (!OpenFake(0, OutParam(owner), &closedDuringCall)) error = GetLastError();
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));  // not the close's error
    EXPECT_FALSE(owner);
    EXPECT_EQ(FakeTraits::Closed, std::vector<int>{7});

    UniqueFake empty;
    EXPECT_FALSE(OpenFake(0, OutParam(empty), &closedDuringCall));
    EXPECT_FALSE(empty);
    EXPECT_EQ(FakeTraits::Closed, std::vector<int>{7});  // nothing to close, nothing closed
}

TEST_F(OutParamTest, MovedHandleIsClosedOnceByItsLastOwner) {
    UniqueFake first(5);
    UniqueFake second(std::move(first));
    EXPECT_FALSE(first);
    UniqueFake third(6);
    third = std::move(second);
    EXPECT_EQ(FakeTraits::Closed, std::vector<int>{6});
    EXPECT_EQ(third.release(), 5);
    EXPECT_EQ(FakeTraits::Closed, std::vector<int>{6});
}

TEST(OutParamWin32Test, RealCallsHandTheirHandlesToTheOwner) {
    UniqueKernelHandle token;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, OutParam(token)));
    ASSERT_TRUE(token);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    EXPECT_GT(size, 0u);

    // The child opens from the parent that the same owner still holds during the call.
    UniqueHkey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_READ, OutParam(key)), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExW(key.get(), L"Microsoft", 0, KEY_READ, OutParam(key)), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_NE(RegOpenKeyExW(key.get(), L"No\\Such\\Key", 0, KEY_READ, OutParam(key)), ERROR_SUCCESS);
    EXPECT_FALSE(key);
}

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return temp;
}

// Handles whose failure value is INVALID_HANDLE_VALUE: a failed open is an empty owner, a
// successful one is closed when its owner goes.
TEST(InvalidValueHandleTest, FilesFindsAndSnapshots) {
    const std::wstring path = TempFolder() + L"tarvex-unique-file-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    const auto openExclusive = [&] {
        return UniqueFile(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr));
    };
    UniqueFile file = openExclusive();
    ASSERT_TRUE(file);
    EXPECT_FALSE(openExclusive());  // shared with no one while the first is open
    file.reset();
    EXPECT_TRUE(openExclusive());

    EXPECT_FALSE(UniqueFile());
    EXPECT_FALSE(UniqueFile(
        CreateFileW(L"C:\\no\\such\\folder\\file.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)));

    WIN32_FIND_DATAW found{};
    const UniqueFindHandle find(FindFirstFileW(path.c_str(), &found));
    ASSERT_TRUE(find);
    EXPECT_FALSE(FindNextFileW(find.get(), &found));  // the one file matches
    EXPECT_FALSE(UniqueFindHandle(FindFirstFileW((path + L".none").c_str(), &found)));
    EXPECT_TRUE(DeleteFileW(path.c_str()));

    const UniqueSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    ASSERT_TRUE(snapshot);
    PROCESSENTRY32W entry{sizeof entry};
    bool foundSelf = false;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        foundSelf = foundSelf || entry.th32ProcessID == GetCurrentProcessId();
    EXPECT_TRUE(foundSelf);
}

}  // namespace
}  // namespace tarvex
