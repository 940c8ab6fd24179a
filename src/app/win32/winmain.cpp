// Tarvex start-up: the command line, the single instance, the main window, the loop.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <memory>

#include "app/main_form_texts.h"
#include "app/win32/application.h"
#include "app/win32/main_form.h"
#include "app/win32/single_instance.h"
#include "common/win32/window_utils.h"
#include "controls/win32/bug_report_dialog.h"
#include "links/url_builder.h"
#include "measure/win32/test_command.h"
#include "platform/win32/program_info.h"
#include "platform/win32/unicode.h"
#include "resource_ids.h"

namespace {

// Only the first argument counts, and only as exactly this word.
bool IsUninstallCommand() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) return false;
    const bool uninstall = count > 1 && lstrcmpW(arguments[1], L"--uninstall") == 0;
    LocalFree(arguments);
    return uninstall;
}

int Run(int showCommand) {
    using namespace tarvex;
    if (IsUninstallCommand()) return 0;
    // A test from the command line runs beside a running window, without one of its own.
    if (const auto code = RunTestCommand()) return *code;

    TJclAppInstances instances(ExecutablePath(), TTarvexMainForm::kClassName);
    if (!instances.CheckSingleInstance(1)) return 0;

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES |
                                                       ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&controls);
    Application().Title = L"Tarvex";
    Application().Icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TARVEX));
    // Errors that nothing caught end in the "Bug Report" dialog; the program goes on.
    SetUnhandledErrorHandler([](std::exception_ptr error) { ShowBugReport(error, std::string(SupportAddress())); });

    TTarvexMainForm mainForm;
    mainForm.Create(showCommand);
    return Application().Run();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int showCommand) {
    // The 1 ms resolution is held for the whole run.
    tarvex::TimerResolution timerResolution;
    try {
        return Run(showCommand);
    } catch (const std::exception& error) {
        // Start-up failed before the main window existed.
        MessageBoxW(nullptr, tarvex::Utf8ToWide(error.what()).c_str(), L"Tarvex", MB_OK | MB_ICONERROR);
        return 1;
    }
}
