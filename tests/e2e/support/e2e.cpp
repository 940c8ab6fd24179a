#include "e2e/support/e2e.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace tarvex::e2e {

std::wstring TarvexExe() {
    const auto path = driver::EnvironmentValue(L"TARVEX_EXE");
    if (!path || path->empty()) throw std::runtime_error("TARVEX_EXE is not set");
    return driver::UnixToWinePath(*path);
}

std::wstring OutputDir() {
    static const std::wstring kDir = [] {
        const auto path = driver::EnvironmentValue(L"TARVEX_E2E_OUT");
        if (!path || path->empty()) return std::wstring(L".");
        std::wstring dir = driver::UnixToWinePath(*path);
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(dir), error);
        return dir;
    }();
    return kDir;
}

RunningTarvex LaunchTarvex(std::wstring args, std::wstring_view personality) {
    if (!driver::SetWineVersion(personality)) throw std::runtime_error("cannot set the Wine version");
    return RunningTarvex{driver::Launch(TarvexExe(), std::move(args)), nullptr};
}

RunningTarvex StartTarvex(std::wstring args, std::wstring_view personality) {
    RunningTarvex tarvex = LaunchTarvex(std::move(args), personality);
    tarvex.MainWindow = driver::WaitTopWindow(
        {.ClassName = kMainWindowClass, .ProcessId = tarvex.Process.Id(), .VisibleOnly = true}, kStartTimeoutMs);
    if (!tarvex.MainWindow) {
        const auto exitCode = tarvex.Process.WaitExit(0);
        throw std::runtime_error(exitCode ? "Tarvex.exe ended with exit code " + std::to_string(*exitCode) +
                                                " before showing its main window"
                                          : "Tarvex.exe showed no main window in time");
    }
    return tarvex;
}

std::string FileBytes(const std::wstring& path) {
    std::string bytes;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

std::wstring SaveScreenshot(std::wstring_view name, HWND window) {
    std::wstring file(name);
    for (wchar_t& c : file) {
        if (std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) c = L'_';
    }
    const std::wstring path = OutputDir() + L"\\" + file + L".png";
    return driver::SaveScreenshot(window, path) ? path : std::wstring();
}

}  // namespace tarvex::e2e

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
