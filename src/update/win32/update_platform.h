#pragma once
// The update component's file system and host over Win32: the user's temporary folder, the
// installer written through a file handle, the program's own version and link time stamp, the
// user's short date format, the shell, the one-second elapsed timer and the hand-over of a
// check to the user-interface thread.
#include <windows.h>

#include <deque>
#include <functional>

#include "platform/win32/ansi_code_page.h"
#include "platform/win32/timer.h"
#include "update/update_ports.h"

namespace tarvex {

class Win32UpdateFileSystem final : public UpdateFileSystem {
public:
    std::string TempFolder() override;
    bool FolderExists(std::string_view path) override;
    bool FileExists(std::string_view path) override;
    std::unique_ptr<UpdateFile> OpenForWriting(std::string_view path) override;
    void RemoveFile(std::string_view path) override;
};

class Win32UpdateHost final : public UpdateHost {
public:
    Win32UpdateHost();
    ~Win32UpdateHost() override;
    Win32UpdateHost(const Win32UpdateHost&) = delete;
    Win32UpdateHost& operator=(const Win32UpdateHost&) = delete;

    HWND Owner = nullptr;                 // of the shell's windows; none: the desktop
    std::function<void()> OnElapsedTick;  // each second while the elapsed timer runs
    std::function<void()> OnQuit;         // a WM_QUIT was met while messages ran
    std::function<void()> OnTerminate;    // the program is asked to end (it ends as its main window says)

    void ProcessMessages() override;
    std::uint32_t TickCount() override;
    double Now() override;
    std::string ShortDateText(double date) override;
    std::string ProgramPath() override;
    std::optional<FileVersion> ReadFileVersion(std::string_view path) override;
    bool FileExists(std::string_view path) override;
    std::uint32_t LinkTimeStamp() override;
    std::string AnsiToUtf8(std::string_view bytes) override;
    bool ShellOpen(std::string_view file, std::string_view parameters) override;
    void Terminate() override;
    void SetElapsedTimer(bool enabled) override;
    // Runs on a later turn of the thread's message loop; calls still queued when the host
    // goes are dropped.
    void QueueCall(std::function<void()> call) override;

private:
    void RunQueued();

    Win32AnsiCodePage codePage_;
    Timer elapsedTimer_;
    Timer queueTimer_;
    std::deque<std::function<void()>> queued_;
    bool pumped_ = false;
    DWORD lastPumpTick_ = 0;
};

}  // namespace tarvex
