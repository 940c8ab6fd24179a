// The single-instance table and its lock, shared by the instances of this test process.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/win32/single_instance.h"
#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

constexpr wchar_t kNoWindowClass[] = L"NoSuchWindowClass";
// Short, so that a test waits little for a lock that is kept from it.
constexpr DWORD kShortLockTimeoutMs = 200;

// A path of its own for each test, so that no test sees another's table.
std::string TestExePath(const char* name) {
    return "C:\\Tests\\" + std::string(name) + "-" + std::to_string(GetCurrentProcessId()) + ".exe";
}

std::wstring ObjectName(const std::string& exePath, std::string (*name)(std::string_view)) {
    std::string upper = exePath;
    for (auto& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return Utf8ToWide(name(ApplicationId(upper)));
}

// A read-only view of a table that exists, as another process sees it.
class TableView {
public:
    explicit TableView(const std::string& exePath)
        : mapping_(OpenFileMappingW(FILE_MAP_READ, FALSE, ObjectName(exePath, InstanceTableName).c_str())),
          view_(mapping_ ? MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, sizeof(InstanceTable)) : nullptr) {}
    explicit operator bool() const { return static_cast<bool>(view_); }
    const InstanceTable* operator->() const { return static_cast<const InstanceTable*>(view_.get()); }

private:
    UniqueKernelHandle mapping_;
    UniqueFileMapView view_;
};

// Another party that takes the named lock on a thread of its own (a mutex belongs to the
// thread that took it) and keeps it until Release, or ends holding it with Abandon.
class LockHolder {
public:
    explicit LockHolder(const std::string& exePath)
        : name_(ObjectName(exePath, InstanceLockName)),
          taken_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          thread_(CreateThread(nullptr, 0, Hold, this, 0, nullptr)) {}
    ~LockHolder() { Release(); }

    bool Taken() const { return WaitForSingleObject(taken_.get(), 10000) == WAIT_OBJECT_0; }
    void Release() { End(false); }
    void Abandon() { End(true); }

private:
    static DWORD WINAPI Hold(void* parameter) {
        auto* self = static_cast<LockHolder*>(parameter);
        const UniqueKernelHandle mutex(CreateMutexW(nullptr, TRUE, self->name_.c_str()));
        if (!mutex) return 1;
        if (GetLastError() == ERROR_ALREADY_EXISTS) WaitForSingleObject(mutex.get(), INFINITE);
        SetEvent(self->taken_.get());
        WaitForSingleObject(self->release_.get(), INFINITE);
        if (!self->abandon_) ReleaseMutex(mutex.get());
        return 0;
    }
    void End(bool abandon) {
        if (!thread_) return;
        abandon_ = abandon;
        SetEvent(release_.get());
        WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    }

    std::wstring name_;
    UniqueKernelHandle taken_;
    UniqueKernelHandle release_;
    bool abandon_ = false;
    UniqueKernelHandle thread_;
};

TEST(SingleInstanceTest, SecondCheckIsRefusedAndUnregistered) {
    const std::string path = TestExePath("Tarvex");
    const std::wstring tableName = L"JCLC:_TESTS_TARVEX-" + std::to_wstring(GetCurrentProcessId()) + L".EXE_All";
    auto first = std::make_unique<TJclAppInstances>(path, kNoWindowClass);
    EXPECT_EQ(first->ApplicationId(), WideToUtf8(tableName.substr(0, tableName.size() - 4)));
    EXPECT_TRUE(first->CheckSingleInstance(1));

    UniqueKernelHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, tableName.c_str()));
    ASSERT_TRUE(mapping);
    UniqueFileMapView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, sizeof(InstanceTable)));
    const auto* table = static_cast<const InstanceTable*>(view.get());
    EXPECT_EQ(table->Limit, 1);
    EXPECT_EQ(table->Count, 1);
    {
        // Another letter case names the same objects.
        std::string lower = path;
        for (auto& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        TJclAppInstances second(lower, kNoWindowClass);
        EXPECT_FALSE(second.CheckSingleInstance(1));
        EXPECT_EQ(table->Count, 2);
    }
    EXPECT_EQ(table->Count, 1);
    EXPECT_EQ(table->ProcessIds[0], GetCurrentProcessId());

    TJclAppInstances elsewhere("C:\\Other\\Tarvex.exe", kNoWindowClass);
    EXPECT_TRUE(elsewhere.CheckSingleInstance(1));
    first.reset();
    EXPECT_EQ(table->Count, 0);
}

TEST(SingleInstanceTest, LockKeptByAnotherPartyLetsTheStartRunUnregistered) {
    const std::string path = TestExePath("Kept");
    LockHolder holder(path);
    ASSERT_TRUE(holder.Taken());
    {
        TJclAppInstances instances(path, kNoWindowClass, kShortLockTimeoutMs);
        EXPECT_TRUE(instances.CheckSingleInstance(1));
        const TableView table(path);
        ASSERT_TRUE(table);
        EXPECT_EQ(table->Limit, 0);  // untouched: nothing was written without the lock
        EXPECT_EQ(table->Count, 0);
    }

    // Once the lock is free again, starts register as before.
    holder.Release();
    TJclAppInstances first(path, kNoWindowClass, kShortLockTimeoutMs);
    EXPECT_TRUE(first.CheckSingleInstance(1));
    TJclAppInstances second(path, kNoWindowClass, kShortLockTimeoutMs);
    EXPECT_FALSE(second.CheckSingleInstance(1));
}

TEST(SingleInstanceTest, EndWithTheLockKeptLeavesTheEntry) {
    const std::string path = TestExePath("KeptAtEnd");
    TJclAppInstances witness(path, kNoWindowClass);  // keeps the table alive
    auto instances = std::make_unique<TJclAppInstances>(path, kNoWindowClass, kShortLockTimeoutMs);
    ASSERT_TRUE(instances->CheckSingleInstance(1));
    const TableView table(path);
    ASSERT_TRUE(table);
    LockHolder holder(path);
    ASSERT_TRUE(holder.Taken());
    instances.reset();  // returns after the timeout instead of waiting for ever
    holder.Release();
    EXPECT_EQ(table->Count, 1);
}

TEST(SingleInstanceTest, AbandonedLockIsTakenOver) {
    const std::string path = TestExePath("Abandoned");
    LockHolder holder(path);
    ASSERT_TRUE(holder.Taken());
    TJclAppInstances instances(path, kNoWindowClass, kShortLockTimeoutMs);
    holder.Abandon();
    EXPECT_TRUE(instances.CheckSingleInstance(1));
    const TableView table(path);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->Count, 1);
    EXPECT_EQ(table->ProcessIds[0], GetCurrentProcessId());
}

}  // namespace
}  // namespace tarvex
