#pragma once
// Shared support of the end-to-end suites: where the program and the output folder are, and
// starting the shipped Tarvex.exe so that it ends with the test that started it.
#include <windows.h>

#include <string>
#include <string_view>

#include "driver.h"

namespace tarvex::e2e {

inline constexpr wchar_t kMainWindowClass[] = L"TTarvexMainForm";
// A cold start under Wine (first use of a copied prefix) can take several seconds.
inline constexpr DWORD kStartTimeoutMs = 30000;

// Tarvex.exe as a Wine path, from the Unix path in TARVEX_EXE. Throws when it is not set.
std::wstring TarvexExe();
// The folder for screenshots and other artefacts, from the Unix path in TARVEX_E2E_OUT (created
// on first use); the current folder when it is not set.
std::wstring OutputDir();

// A running Tarvex.exe, ended at scope end if it still runs.
struct RunningTarvex {
    driver::Process Process;
    HWND MainWindow = nullptr;  // set by StartTarvex only
};

// The program's settings key, which a closing window writes and the next start reads.
inline const driver::RegistryKey kSettingsKey{HKEY_CURRENT_USER, L"Software\\Quillmont\\Tarvex"};
// Removes the stored settings, so that the next start is a first start.
inline bool ForgetProgramSettings() {
    return driver::DeleteKeyTree(kSettingsKey);
}

// Sets the Windows personality ("winxp", "win98"...; empty: Wine's default, Windows 7) and
// starts the program without waiting for anything.
RunningTarvex LaunchTarvex(std::wstring args = {}, std::wstring_view personality = {});
// As LaunchTarvex, then waits until the program's main window is visible. Throws if it is not
// within kStartTimeoutMs.
RunningTarvex StartTarvex(std::wstring args = {}, std::wstring_view personality = {});

// A file's bytes, as the test reads them in the prefix; empty when it cannot be read.
std::string FileBytes(const std::wstring& path);

// Saves the window (the whole screen when nullptr) as OutputDir()\<name>.png; returns the path,
// empty on failure.
std::wstring SaveScreenshot(std::wstring_view name, HWND window = nullptr);

}  // namespace tarvex::e2e
