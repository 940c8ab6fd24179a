#include "measure/win32/test_command.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/settings_store.h"
#include "common/ascii_text.h"
#include "common/win32/date_time_win32.h"
#include "common/windows_version.h"
#include "links/url_builder.h"
#include "measure/connection_test.h"
#include "measure/test_report.h"
#include "measure/win32/test_platform.h"
#include "platform/win32/ansi_code_page.h"
#include "platform/win32/os_version.h"
#include "platform/win32/registry_access.h"
#include "platform/win32/unicode.h"
#include "tuning/parameter_store.h"
#include "tuning/win32/wmi_tcp_settings.h"
#include "update/win32/wininet_transfer.h"

namespace tarvex {
namespace {

struct TestCommand {
    std::optional<std::string> Address;  // /test:<address>
    bool Json = false;
    bool Quiet = false;
};

std::optional<TestCommand> ParseCommandLine() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) return std::nullopt;
    std::vector<std::string> words;
    for (int i = 1; i < count; ++i) words.push_back(WideToUtf8(arguments[i]));
    LocalFree(arguments);
    std::optional<TestCommand> command;
    for (const std::string& word : words) {
        if (AsciiStartsWithIgnoreCase(word, "/test") && (word.size() == 5 || word[5] == ':')) {
            command.emplace();
            if (word.size() > 5) command->Address = word.substr(6);
        }
    }
    if (!command) return std::nullopt;
    for (const std::string& word : words) {
        if (AsciiEqualsIgnoreCase(word, "/json")) command->Json = true;
        if (AsciiEqualsIgnoreCase(word, "/quiet")) command->Quiet = true;
    }
    return command;
}

// Standard output as the starter gave it, else the console of the process that started the
// program (a program with windows has none of its own).
class Output {
public:
    Output() {
        handle_ = GetStdHandle(STD_OUTPUT_HANDLE);
        if (handle_ && handle_ != INVALID_HANDLE_VALUE) return;
        using AttachConsoleFunction = BOOL(WINAPI*)(DWORD);
        const auto attach = reinterpret_cast<AttachConsoleFunction>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "AttachConsole")));
        if (attach && attach(static_cast<DWORD>(-1))) {
            console_ = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
            handle_ = console_;
        }
    }
    ~Output() {
        if (console_ != INVALID_HANDLE_VALUE) CloseHandle(console_);
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    bool Write(const std::string& text) {
        if (!handle_ || handle_ == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        return WriteFile(handle_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
               written == text.size();
    }

private:
    HANDLE handle_ = nullptr;
    HANDLE console_ = INVALID_HANDLE_VALUE;
};

// What the user's settings name as proxy for the program's downloads; the system's otherwise.
ProxySettings UserProxy() {
    Win32RegistryAccess registry;
    Win32AnsiCodePage codePage;
    const LoadedSettings loaded = LoadSettings(registry, codePage, {});
    return {loaded.Settings.ProxyServer, loaded.Settings.ProxyUserName, loaded.Settings.ProxyPassword};
}

}  // namespace

std::optional<int> RunTestCommand() {
    const std::optional<TestCommand> command = ParseCommandLine();
    if (!command) return std::nullopt;
    Output output;
    const auto fail = [&](int code, const std::string& reason) {
        const bool written = output.Write((command->Json ? ErrorJson(reason) : reason) + "\r\n");
        if (!written && !command->Quiet)
            MessageBoxW(nullptr, Utf8ToWide(reason).c_str(), L"Tarvex", MB_OK | MB_ICONERROR);
        return code;
    };

    Win32RegistryAccess settings;
    const std::string address = command->Address ? *command->Address : LoadTestAddress(settings);
    if (!ParseTestAddress(address))
        return fail(kExitRefusedInput, "The test address must be an http or https address: " + address);

    WinsockConnectProbe probe;
    WinInetTransfer transfer(UserProxy(), kStallMs);
    Win32TestHost host;
    ConnectionTestModel test(probe, transfer, host);
    test.Run(address);
    if (test.Stage() != TestStage::Done || !test.Figures()) return fail(kExitTestFailed, test.Error());

    // The recommendation is for the Windows that runs, with the settings in force.
    const OsVersionInfo os = QueryOsVersion();
    TuningProfile profile;
    profile.IsNT = IsNTFamily(os);
    profile.Version = ClassifyWindowsVersion(os);
    Win32RegistryAccess registry;
    ReadProfile(registry, profile);
    RecommendContext context{profile.IsNT, ModernSystemOf(os), std::nullopt};
    // Only WMI (8 and later) tells the level in force; netsh shows it in the user's language alone.
    if (context.Modern && UsesWmi(*context.Modern)) {
        try {
            context.AutoTuningLevel = WmiTcpSettings(*context.Modern).Read().Value(ModernSettingId::AutoTuningLevel);
        } catch (const Error&) {
            context.AutoTuningLevel.reset();  // out of reach: the recommendation says less
        }
    }
    const ConnectionFigures& figures = *test.Figures();
    const Recommendation recommendation = Recommend(figures, context);

    TestRecord record;
    record.Time = Now();
    record.Host = ParseTestAddress(address)->Host;
    record.RttMs = figures.Rtt.MedianMs;
    record.BitsPerSecond = figures.BitsPerSecond;
    record.Settings = SettingsInForce(profile, context.Modern, context.AutoTuningLevel);
    try {
        TestLog(registry).Save(record);
    } catch (const Error&) {
        // The figures stand without being kept; the report says nothing of the history.
    }
    output.Write(
        (command->Json ? ReportJson(address, figures, recommendation) : ReportText(address, figures, recommendation)) +
        "\r\n");
    return kExitDone;
}

}  // namespace tarvex
