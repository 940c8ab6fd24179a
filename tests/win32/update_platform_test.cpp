// The update component's Win32 file system and host: real files in the temporary folder, the
// program's own header, the user's date format, and calls and ticks arriving through the
// message loop.
#include "update/win32/update_platform.h"

#include <gtest/gtest.h>

#include "common/date_time.h"
#include "common/error.h"
#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

// Runs messages until `done` or a generous deadline; the tests assert on `done`, not on time.
template <typename Done>
bool PumpUntil(Win32UpdateHost& host, Done done) {
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < 10000) {
        host.ProcessMessages();
        Sleep(10);
    }
    return done();
}

TEST(Win32UpdateFileSystem, WritesReplacesAndRemovesAFile) {
    Win32UpdateFileSystem files;
    const std::string temp = files.TempFolder();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_TRUE(files.FolderExists(temp));
    EXPECT_FALSE(files.FileExists(temp));

    const std::string path = temp + "tarvex_update_platform_test.bin";
    files.RemoveFile(path);
    EXPECT_FALSE(files.FileExists(path));
    for (const std::string& content : {std::string(3000, 'a'), std::string("MZ")}) {
        auto file = files.OpenForWriting(path);  // truncates what was there
        file->Write(content.data(), content.size());
        file.reset();
        EXPECT_TRUE(files.FileExists(path));
        EXPECT_FALSE(files.FolderExists(path));
    }
    HANDLE handle =
        CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(handle, nullptr), 2u);
    CloseHandle(handle);
    files.RemoveFile(path);
    EXPECT_FALSE(files.FileExists(path));

    EXPECT_THROW(files.OpenForWriting(temp + "no such folder\\setup.exe"), std::exception);
}

TEST(Win32UpdateHost, OwnHeaderVersionAndDates) {
    Win32UpdateHost host;
    // Linked by this build, so after 2020 and not in the future.
    EXPECT_GT(host.LinkTimeStamp(), 1577836800u);
    EXPECT_TRUE(host.FileExists(host.ProgramPath()));
    const std::string date = host.ShortDateText(EncodeDateTime(2030, 12, 31));
    EXPECT_NE(date.find("2030"), std::string::npos) << date;
    EXPECT_NE(date.find("31"), std::string::npos) << date;
    EXPECT_NEAR(host.Now(), EncodeDateTime(2020, 1, 1), 365.0 * 100);
    EXPECT_EQ(host.AnsiToUtf8("plain"), "plain");
}

TEST(Win32UpdateHost, QueuedCallsRunOnALaterTurnAndTheTimerTicks) {
    Win32UpdateHost host;
    std::vector<int> order;
    host.QueueCall([&] {
        order.push_back(1);
        host.QueueCall([&] { order.push_back(3); });
    });
    host.QueueCall([&] { order.push_back(2); });
    EXPECT_TRUE(order.empty());  // the caller returns first
    EXPECT_TRUE(PumpUntil(host, [&] { return order.size() == 3; }));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));

    int ticks = 0;
    host.OnElapsedTick = [&] { ++ticks; };
    host.SetElapsedTimer(true);
    EXPECT_TRUE(PumpUntil(host, [&] { return ticks >= 1; }));
    host.SetElapsedTimer(false);
    const int after = ticks;
    for (int i = 0; i < 5; ++i) host.ProcessMessages();
    EXPECT_EQ(ticks, after);

    // Calls still queued when the host goes are dropped.
    bool ran = false;
    {
        Win32UpdateHost gone;
        gone.QueueCall([&] { ran = true; });
    }
    for (int i = 0; i < 20; ++i) {
        host.ProcessMessages();
        Sleep(5);
    }
    EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace tarvex
