#pragma once
// One-click tuning in the shipped program, worked from outside: the welcome page's choice,
// "Accelerate!", the progress page, the prompts, and the registry of the prefix afterwards.
// Each suite that includes this runs one Windows personality, so the slow runs (8 to 16 s
// each, by design) of the personalities run in parallel.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/win32/menus.h"
#include "app/navigation.h"
#include "app/win32/control_ids.h"
#include "e2e/support/e2e.h"
#include "tuning/tuning_profile.h"
#include "tuning/tuning_run.h"

namespace tarvex::e2e::tuning {

using namespace driver;

inline constexpr wchar_t kNtTcpip[] = L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
inline constexpr wchar_t kNtInterfaces[] = L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\";
inline constexpr wchar_t kNtCards[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";
inline constexpr wchar_t k9xMstcp[] = L"SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP";
inline constexpr wchar_t k9xParameters[] = L"SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP\\Parameters";
inline constexpr wchar_t k9xNet[] = L"Enum\\Root\\Net\\";
inline constexpr wchar_t k9xNetTrans[] = L"System\\CurrentControlSet\\Services\\Class\\NetTrans\\";
inline constexpr wchar_t kInternet[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// A run waits 8.3 to 16.2 s by design; Wine's timers add a little.
inline constexpr DWORD kRunTimeoutMs = 40000;
inline constexpr DWORD kDialogTimeoutMs = 10000;

// A registry value as the test expects it: absent, a DWORD, or a text.
struct Expected {
    enum Kind { Absent, Dword, Text } Type = Absent;
    DWORD Number = 0;
    std::wstring String;
    static Expected None() { return {}; }
    static Expected D(DWORD value) { return {Dword, value, {}}; }
    static Expected S(std::wstring value) { return {Text, 0, std::move(value)}; }
};

inline std::string Describe(const std::optional<RegistryValue>& value) {
    if (!value) return "absent";
    if (value->Type == REG_DWORD && value->Data.size() == 4) {
        DWORD number = 0;
        memcpy(&number, value->Data.data(), 4);
        return "REG_DWORD " + std::to_string(number);
    }
    if (value->Type == REG_SZ) {
        std::wstring text(reinterpret_cast<const wchar_t*>(value->Data.data()), value->Data.size() / 2);
        while (!text.empty() && text.back() == L'\0') text.pop_back();
        return "REG_SZ \"" + std::string(text.begin(), text.end()) + "\"";
    }
    return "type " + std::to_string(value->Type) + ", " + std::to_string(value->Data.size()) + " bytes";
}

inline std::string Describe(const Expected& expected) {
    switch (expected.Type) {
        case Expected::Absent:
            return "absent";
        case Expected::Dword:
            return "REG_DWORD " + std::to_string(expected.Number);
        case Expected::Text:
            return "REG_SZ \"" + std::string(expected.String.begin(), expected.String.end()) + "\"";
    }
    return {};
}

// Every managed value of a family, and each adapter's MTU, keyed "key\name".
using Snapshot = std::map<std::wstring, std::string>;

struct Adapter {
    std::wstring MtuKey;  // under HKLM
};

class TuningSuite : public testing::Test {
protected:
    // The adapters the prefix lists, each with a key for its MTU (Wine makes none); the first
    // carries an MTU already. On the 9x family two adapters are seeded, as Wine lists none.
    void SeedAdapters(bool nt) {
        adapters_.clear();
        if (nt) {
            const RegistryKey cards{HKEY_LOCAL_MACHINE, kNtCards};
            for (int i = 1; i < 64; ++i) {
                const RegistryKey card{HKEY_LOCAL_MACHINE, std::wstring(kNtCards) + L"\\" + std::to_wstring(i)};
                const auto service = ReadString(card, L"ServiceName");
                if (!service) continue;
                const std::wstring key = kNtInterfaces + *service;
                ASSERT_TRUE(DeleteKeyTree({HKEY_LOCAL_MACHINE, key}));
                if (adapters_.empty()) {
                    ASSERT_TRUE(WriteDword({HKEY_LOCAL_MACHINE, key}, L"MTU", 1400));
                } else {
                    ASSERT_TRUE(WriteString({HKEY_LOCAL_MACHINE, key}, L"Other", L"kept"));
                }
                adapters_.push_back({key});
            }
            ASSERT_FALSE(adapters_.empty()) << "the prefix lists no network cards";
        } else {
            const wchar_t* names[] = {L"0000", L"0001"};
            const wchar_t* descriptions[] = {L"Test Ethernet Adapter", L"Dial-Up Adapter"};
            for (int i = 0; i < 2; ++i) {
                ASSERT_TRUE(
                    WriteString({HKEY_LOCAL_MACHINE, std::wstring(k9xNet) + names[i]}, L"DeviceDesc", descriptions[i]));
                const std::wstring key = std::wstring(k9xNetTrans) + names[i];
                ASSERT_TRUE(DeleteKeyTree({HKEY_LOCAL_MACHINE, key}));
                if (i == 0) {
                    ASSERT_TRUE(WriteString({HKEY_LOCAL_MACHINE, key}, L"MaxMTU", L"1400"));
                } else {
                    ASSERT_TRUE(WriteString({HKEY_LOCAL_MACHINE, key}, L"Other", L"kept"));
                }
                adapters_.push_back({key});
            }
        }
    }

    // Values a preset never sets: they must come through a run as they were.
    void SeedKeptValues(bool nt) {
        ASSERT_TRUE(WriteString({HKEY_CURRENT_USER, kInternet}, L"User Agent", L"kept"));
        if (nt) {
            ASSERT_TRUE(WriteDword({HKEY_LOCAL_MACHINE, kNtTcpip}, L"KeepAliveTime", 7200000));
        } else {
            ASSERT_TRUE(WriteString({HKEY_LOCAL_MACHINE, k9xMstcp}, L"KeepAliveTime", L"7200000"));
            // The misspelt window Windows 98 reads goes with every write.
            ASSERT_TRUE(WriteDword({HKEY_LOCAL_MACHINE, k9xParameters}, L"GlobalMaxTcpWindoSize", 65535));
        }
    }

    // The values a preset gives on a family, with the window after the preset's first step.
    std::vector<std::pair<std::wstring, Expected>> ExpectedPreset(bool nt, bool xp, DWORD window, DWORD mtu) const {
        using E = Expected;
        std::vector<std::pair<std::wstring, Expected>> values;
        auto add = [&values](const std::wstring& key, const wchar_t* name, Expected value) {
            values.emplace_back(key + L"\\" + name, std::move(value));
        };
        if (nt) {
            add(kNtTcpip, L"DefaultTTL", E::D(xp ? 128 : 64));
            add(kNtTcpip, L"GlobalMaxTcpWindowSize", E::D(window));
            add(kNtTcpip, L"TcpWindowSize", E::D(window));
            add(kNtTcpip, L"KeepAliveTime", E::D(7200000));
            add(kNtTcpip, L"KeepAliveInterval", E::None());
            add(kNtTcpip, L"SessionKeepAlive", E::None());
            add(kNtTcpip, L"SackOpts", E::D(1));
            add(kNtTcpip, L"TcpMaxDupAcks", E::D(2));
            add(kNtTcpip, L"Tcp1323Opts", E::D(xp ? 3 : 1));
            add(kNtTcpip, L"TcpUseRFC1122UrgentPointer", E::None());
            add(kNtTcpip, L"EnablePMTUDiscovery", E::D(1));
            add(kNtTcpip, L"EnablePMTUBHDetect", E::D(0));
            add(kNtTcpip, L"DefaultRcvWindow", E::None());
            add(kNtTcpip, L"MaxDupAcks", E::None());
        } else {
            add(k9xMstcp, L"DefaultTTL", E::S(L"64"));
            add(k9xMstcp, L"DefaultRcvWindow", E::D(window));
            add(k9xMstcp, L"KeepAliveTime", E::S(L"7200000"));
            add(k9xMstcp, L"KeepAliveInterval", E::None());
            add(k9xMstcp, L"SessionKeepAlive", E::None());
            add(k9xMstcp, L"SackOpts", E::S(L"1"));
            add(k9xMstcp, L"Tcp1323Opts", E::S(L"1"));
            add(k9xMstcp, L"BSDUrgent", E::None());
            add(k9xMstcp, L"PMTUDiscovery", E::S(L"1"));
            add(k9xMstcp, L"PMTUBlackHoleDetect", E::S(L"0"));
            add(k9xMstcp, L"GlobalMaxTcpWindowSize", E::None());
            add(k9xParameters, L"GlobalMaxTcpWindoSize", E::None());
            add(k9xParameters, L"MaxDupAcks", E::D(2));
        }
        add(kInternet, L"MaxConnectionsPer1_0Server", E::D(10));
        add(kInternet, L"MaxConnectionsPerServer", E::D(8));
        add(kInternet, L"User Agent", E::S(L"kept"));
        for (const Adapter& adapter : adapters_) {
            add(adapter.MtuKey, nt ? L"MTU" : L"MaxMTU", nt ? E::D(mtu) : E::S(std::to_wstring(mtu)));
            add(adapter.MtuKey, nt ? L"MaxMTU" : L"MTU", E::None());
        }
        return values;
    }

    // After "Restore Defaults": every managed value gone, the adapters' MTU as they were.
    std::vector<std::pair<std::wstring, Expected>> ExpectedRestored(bool nt, DWORD mtu) const {
        auto values = ExpectedPreset(nt, false, 0, mtu);
        for (auto& [name, value] : values) {
            const bool adapterValue = name.find(nt ? L"\\Interfaces\\" : L"\\NetTrans\\") != std::wstring::npos;
            if (!adapterValue && name.find(L"User Agent") == std::wstring::npos) value = Expected::None();
        }
        return values;
    }

    static HKEY RootOf(const std::wstring& key) {
        return key.rfind(L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet", 0) == 0 ? HKEY_CURRENT_USER
                                                                                            : HKEY_LOCAL_MACHINE;
    }

    void ExpectRegistry(const std::vector<std::pair<std::wstring, Expected>>& expected, const std::string& when) {
        for (const auto& [path, value] : expected) {
            const auto slash = path.rfind(L'\\');
            const std::wstring key = path.substr(0, slash), name = path.substr(slash + 1);
            const auto actual = ReadValue({RootOf(key), key}, name);
            EXPECT_EQ(Describe(actual), Describe(value)) << when << ": " << std::string(path.begin(), path.end());
        }
    }

    HWND Control(int id) const { return FindChildById(window_, id); }
    std::wstring ActivePage() const {
        std::wstring shown;
        for (HWND page : Descendants(window_))
            if (ClassName(page) == L"TTabSheet" && IsVisible(page)) shown += WindowText(page);
        return shown;
    }
    bool NavigationEnabled() const {
        return IsEnabled(Control(ids::kAdvPanelGroup)) && IsEnabled(Control(ids::kToolBarTop)) &&
               IsEnabled(Control(ids::kToolBarMenu));
    }

    void Start(std::wstring_view personality) {
        tarvex_ = StartTarvex({}, personality);
        window_ = tarvex_.MainWindow;
        ASSERT_TRUE(WaitUntil([&] { return ActivePage() == L"tsWelcome"; }, 5000));
    }

    void TearDown() override {
        if (tarvex_.Process.Running()) {
            for (HWND dialog; (dialog = FindDialog(tarvex_.Process.Id()));) {
                AnswerDialog(dialog, IDNO);
                AnswerDialog(dialog, IDOK);
                WaitWindowGone(dialog, 2000);
            }
            PostClose(window_);
            tarvex_.Process.WaitExit(20000);
        }
    }

    void Choose(ConnectionScenario scenario) {
        const HWND button = Control(ids::kRbScenarioFirst + static_cast<int>(scenario));
        ASSERT_TRUE(button);
        ASSERT_TRUE(Click(button));
        ASSERT_TRUE(WaitUntil([&] { return IsChecked(button); }, 5000));
    }

    // Presses "Accelerate!" for a scenario and waits for the end of the run, with the
    // progress page and its controls checked on the way. On Vista and later (`modern`) the list
    // is the run's real steps, each ending "Done", and the run takes a moment only.
    void RunScenario(ConnectionScenario scenario, const std::wstring& screenshot, bool modern = false) {
        Choose(scenario);
        const HWND accelerate = Control(ids::kBtnAccelerate);
        ASSERT_TRUE(WaitUntil([&] { return IsEnabled(accelerate); }, 5000));
        ASSERT_TRUE(PostClick(accelerate));
        ASSERT_TRUE(WaitUntil([&] { return ActivePage() == L"tsProgress"; }, 5000));
        EXPECT_FALSE(NavigationEnabled());
        const HWND list = Control(ids::kListViewProgress);
        const HWND ok = Control(ids::kBtnOK);
        if (!modern) {
            // Mid-run: the bar and the working text, no "OK".
            ASSERT_TRUE(WaitUntil([&] { return ListViewText(list, 0, 1).value_or(L"") != L""; }, 5000));
            EXPECT_TRUE(IsVisible(Control(ids::kProgressBarOptimize)));
            EXPECT_TRUE(IsVisible(Control(ids::kTxtWorking)));
            EXPECT_FALSE(IsVisible(ok));
            if (!screenshot.empty()) SaveScreenshot(screenshot + L"-running", window_);
        }

        ASSERT_TRUE(WaitUntil([&] { return IsVisible(ok); }, kRunTimeoutMs)) << "the run did not end";
        EXPECT_FALSE(IsVisible(Control(ids::kProgressBarOptimize)));
        EXPECT_FALSE(IsVisible(Control(ids::kTxtWorking)));
        EXPECT_FALSE(NavigationEnabled());
        const auto rows = ListViewRows(list);
        if (modern) {
            ASSERT_GE(rows.size(), 2u);
            for (size_t i = 0; i + 1 < rows.size(); ++i)
                EXPECT_EQ(rows[i].at(1), L"Done") << std::string(rows[i][0].begin(), rows[i][0].end());
        } else {
            ASSERT_EQ(rows.size(), 9u);
            for (size_t i = 0; i < 8; ++i) EXPECT_EQ(rows[i].at(1), L"100%") << i;
        }
        EXPECT_EQ(rows.back().at(0), L"Complete!");
        EXPECT_EQ(rows.back().at(1), L"");
        if (!screenshot.empty()) SaveScreenshot(screenshot + L"-done", window_);
    }

    // "OK" on the progress page, and the restart question answered.
    void PressOKAndAnswer(int answer) {
        ASSERT_TRUE(PostClick(Control(ids::kBtnOK)));
        const HWND question = WaitDialog(tarvex_.Process.Id(), kDialogTimeoutMs);
        ASSERT_TRUE(question) << "no restart question";
        const auto content = ReadDialog(question);
        const std::wstring text =
            L"You will need to restart your system before the new settings will take effect.\r\n\r\n"
            L"Would you like Tarvex to restart your computer now?";
        EXPECT_NE(std::find(content.Texts.begin(), content.Texts.end(), text), content.Texts.end());
        EXPECT_EQ(ActivePage(), L"tsWelcome");
        EXPECT_TRUE(NavigationEnabled());
        ASSERT_TRUE(AnswerDialog(question, answer));
        if (answer == IDNO) {
            ASSERT_TRUE(WaitWindowGone(question, kDialogTimeoutMs));
        }
    }

    // Every scenario in turn, then "Restore Defaults", each compared with the registry.
    void RunEveryScenario(std::wstring_view personality, bool nt, bool xp, bool modern = false) {
        SeedAdapters(nt);
        SeedKeptValues(nt);
        ASSERT_NO_FATAL_FAILURE(Start(personality));
        const std::wstring prefix = L"tuning-" + std::wstring(personality.empty() ? L"win7" : personality);
        struct Case {
            ConnectionScenario Scenario;
            DWORD Window;  // after the preset: the current one for direct broadband and corporate LAN
            DWORD Mtu;
        };
        const DWORD lanWindow = xp ? 372300 : 256960;
        const Case cases[] = {
            {ConnectionScenario::rbDialUpModem, 64240, 576}, {ConnectionScenario::rbDialUpISDN, 64240, 576},
            {ConnectionScenario::rbADSL, 64240, 1500},       {ConnectionScenario::rbADSLPPPoE, 255552, 1492},
            {ConnectionScenario::rbLAN, lanWindow, 1500},    {ConnectionScenario::rbCorporateLAN, lanWindow, 1500},
        };
        bool first = true;
        for (const Case& c : cases) {
            const std::string when = "after " + std::string(kScenarioCaptions[static_cast<size_t>(c.Scenario)]);
            ASSERT_NO_FATAL_FAILURE(RunScenario(c.Scenario, first ? prefix : L"", modern));
            first = false;
            ExpectRegistry(ExpectedPreset(nt, xp, c.Window, c.Mtu), when);
            ASSERT_NO_FATAL_FAILURE(PressOKAndAnswer(IDNO));
            EXPECT_FALSE(IsEnabled(Control(ids::kBtnAccelerate))) << when;
        }

        // "Restore Defaults": a message, no progress page, the adapters' MTU kept.
        Choose(ConnectionScenario::rbRestore);
        ASSERT_TRUE(PostClick(Control(ids::kBtnAccelerate)));
        const HWND message = WaitDialog(tarvex_.Process.Id(), kDialogTimeoutMs);
        ASSERT_TRUE(message);
        const auto content = ReadDialog(message);
        const std::wstring text =
            L"All Tarvex optimizations have been removed. \r\n"
            L"You will need to restart the system so that it reverts to original settings.";
        EXPECT_NE(std::find(content.Texts.begin(), content.Texts.end(), text), content.Texts.end());
        EXPECT_EQ(ActivePage(), L"tsWelcome");
        SaveScreenshot(prefix + L"-restored");
        ASSERT_TRUE(AnswerDialog(message, IDOK));
        ASSERT_TRUE(WaitWindowGone(message, kDialogTimeoutMs));
        ExpectRegistry(ExpectedRestored(nt, 1500), "after Restore Defaults");
        EXPECT_FALSE(IsEnabled(Control(ids::kBtnAccelerate)));
        EXPECT_TRUE(NavigationEnabled());
    }

    // Every value of the keys the tuning writes on a family, the adapters' keys included, with
    // its type and bytes: "key\name" -> description.
    std::map<std::wstring, std::string> WholeKeys(bool nt) const {
        std::vector<std::pair<HKEY, std::wstring>> keys = {{HKEY_CURRENT_USER, kInternet}};
        if (nt) {
            keys.emplace_back(HKEY_LOCAL_MACHINE, kNtTcpip);
        } else {
            keys.emplace_back(HKEY_LOCAL_MACHINE, k9xMstcp);
            keys.emplace_back(HKEY_LOCAL_MACHINE, k9xParameters);
        }
        for (const Adapter& adapter : adapters_) keys.emplace_back(HKEY_LOCAL_MACHINE, adapter.MtuKey);
        std::map<std::wstring, std::string> values;
        for (const auto& [root, path] : keys) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
                values[path] = "no key";
                continue;
            }
            for (DWORD i = 0;; ++i) {
                wchar_t name[256];
                DWORD length = 256;
                if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
                const auto value = ReadValue({root, path}, std::wstring(name, length));
                std::string shown = "absent";
                if (value) {
                    shown = "type " + std::to_string(value->Type) + ":";
                    for (const uint8_t byte : value->Data) shown += " " + std::to_string(byte);
                }
                values[path + L"\\" + std::wstring(name, length)] = shown;
            }
            RegCloseKey(key);
        }
        return values;
    }

    // Values of odd types and values left out, as a user's or an administrator's own settings
    // may be: an undo must give back exactly these.
    void SeedOddValues(bool nt) {
        const std::vector<uint8_t> expand = {'%', 0, 'X', 0, '%', 0, 0, 0};
        const std::vector<uint8_t> unterminated = {'9', 0, '9', 0};
        if (nt) {
            const RegistryKey tcpip{HKEY_LOCAL_MACHINE, kNtTcpip};
            ASSERT_TRUE(WriteValue(tcpip, L"DefaultTTL", REG_SZ, unterminated));
            ASSERT_TRUE(WriteValue(tcpip, L"SackOpts", REG_BINARY, {1, 2, 3}));
            ASSERT_TRUE(WriteValue(tcpip, L"TcpWindowSize", REG_EXPAND_SZ, expand));
            ASSERT_TRUE(WriteValue(tcpip, L"Tcp1323Opts", REG_QWORD, {3, 0, 0, 0, 0, 0, 0, 0}));
            for (const wchar_t* name : {L"GlobalMaxTcpWindowSize", L"TcpMaxDupAcks", L"EnablePMTUDiscovery"})
                ASSERT_TRUE(DeleteValue(tcpip, name));
        } else {
            const RegistryKey mstcp{HKEY_LOCAL_MACHINE, k9xMstcp};
            ASSERT_TRUE(WriteDword(mstcp, L"DefaultTTL", 99));
            ASSERT_TRUE(WriteValue(mstcp, L"DefaultRcvWindow", REG_SZ, unterminated));
            ASSERT_TRUE(WriteValue(mstcp, L"SackOpts", REG_EXPAND_SZ, expand));
            for (const wchar_t* name : {L"Tcp1323Opts", L"PMTUDiscovery"}) ASSERT_TRUE(DeleteValue(mstcp, name));
            ASSERT_TRUE(WriteValue({HKEY_LOCAL_MACHINE, k9xParameters}, L"MaxDupAcks", REG_BINARY, {2}));
        }
        ASSERT_TRUE(WriteValue({HKEY_CURRENT_USER, kInternet}, L"MaxConnectionsPerServer", REG_SZ, unterminated));
        ASSERT_TRUE(DeleteValue({HKEY_CURRENT_USER, kInternet}, L"MaxConnectionsPer1_0Server"));
    }

    // A picture of the Accelerate menu, opened from the menu bar. (Wine keeps a menu's items
    // in its own process, so whether "Undo last change" is greyed shows only in the picture.)
    void ShowAccelerateMenu(const std::wstring& screenshot) {
        ASSERT_TRUE(PostCommand(window_, ids::kMenuBarButtonBase));
        const HWND popup = WaitPopupMenu(tarvex_.Process.Id(), 5000);
        ASSERT_TRUE(popup);
        SaveScreenshot(screenshot, nullptr);
        // The menu may be remade between finding and posting to it: escape whatever is open.
        EXPECT_TRUE(WaitUntil(
            [&] {
                const HWND open = FindPopupMenu(tarvex_.Process.Id());
                if (open) PostKeys(open, {VK_ESCAPE});
                return !open;
            },
            5000));
    }

    // "Accelerate!", then "Undo last change" from the Accelerate menu: the keys the tuning
    // writes hold exactly what they held before, odd types and absent values included; and the
    // undo itself can be undone from the advanced page.
    // The restart question that ends an undo or restore; on Vista and later, where Windows keeps
    // its TCP settings out of reach, a message that says which went back to Windows' default
    // comes first.
    HWND WaitRestartQuestionAfterRestore() {
        HWND dialog = WaitDialog(tarvex_.Process.Id(), kDialogTimeoutMs);
        if (!dialog) return nullptr;
        const auto content = ReadDialog(dialog);
        const bool notes = std::any_of(content.Texts.begin(), content.Texts.end(), [](const std::wstring& text) {
            return text.rfind(L"Some settings could not be given back exactly:", 0) == 0;
        });
        if (!notes) return dialog;
        if (!AnswerDialog(dialog, IDOK) || !WaitWindowGone(dialog, kDialogTimeoutMs)) return nullptr;
        return WaitDialog(tarvex_.Process.Id(), kDialogTimeoutMs);
    }

    void AccelerateThenUndo(std::wstring_view personality, bool nt, bool modern = false) {
        ASSERT_TRUE(ForgetProgramSettings());  // no backups from an earlier test
        SeedAdapters(nt);
        SeedKeptValues(nt);
        SeedOddValues(nt);
        const auto seeded = WholeKeys(nt);
        ASSERT_NO_FATAL_FAILURE(Start(personality));
        const std::wstring prefix = L"undo-" + std::wstring(personality.empty() ? L"win7" : personality);
        ASSERT_NO_FATAL_FAILURE(ShowAccelerateMenu(prefix + L"-menu-before"));

        ASSERT_NO_FATAL_FAILURE(RunScenario(ConnectionScenario::rbLAN, L"", modern));
        ASSERT_NO_FATAL_FAILURE(PressOKAndAnswer(IDNO));
        const auto accelerated = WholeKeys(nt);
        ASSERT_NE(accelerated, seeded);
        ASSERT_NO_FATAL_FAILURE(ShowAccelerateMenu(prefix + L"-menu"));

        ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::ItemUndoLastChange)));
        const HWND question = WaitRestartQuestionAfterRestore();
        ASSERT_TRUE(question) << "no restart question after the undo";
        const auto content = ReadDialog(question);
        EXPECT_NE(std::find(content.Texts.begin(), content.Texts.end(),
                            L"You will need to restart your system before the new settings will take effect.\r\n\r\n"
                            L"Would you like Tarvex to restart your computer now?"),
                  content.Texts.end());
        ASSERT_TRUE(AnswerDialog(question, IDNO));
        ASSERT_TRUE(WaitWindowGone(question, kDialogTimeoutMs));
        const auto undone = WholeKeys(nt);
        for (const auto& [name, value] : seeded) {
            const auto now = undone.find(name);
            EXPECT_EQ(now == undone.end() ? "absent" : now->second, value) << std::string(name.begin(), name.end());
        }
        EXPECT_EQ(undone, seeded);

        // The advanced page's button undoes the undo.
        ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::ItemAdvanced)));
        ASSERT_TRUE(WaitUntil([&] { return ActivePage() == L"tsAdvanced"; }, 5000));
        const HWND undo = Control(ids::kBtnUndoLastChange);
        ASSERT_TRUE(undo);
        EXPECT_EQ(WindowText(undo), L"Undo last change");
        EXPECT_TRUE(IsEnabled(undo));
        SaveScreenshot(prefix + L"-advanced", window_);
        ASSERT_TRUE(PostClick(undo));
        const HWND again = WaitRestartQuestionAfterRestore();
        ASSERT_TRUE(again);
        ASSERT_TRUE(AnswerDialog(again, IDNO));
        ASSERT_TRUE(WaitWindowGone(again, kDialogTimeoutMs));
        EXPECT_EQ(WholeKeys(nt), accelerated);

        // The history lists the three changes, newest first, and restores the oldest one's
        // earlier state: the seeded registry again.
        ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::ItemHistory)));
        const HWND history = WaitTopWindow(
            {.ClassName = L"THistoryDialog", .ProcessId = tarvex_.Process.Id(), .VisibleOnly = true}, kDialogTimeoutMs);
        ASSERT_TRUE(history);
        EXPECT_EQ(WindowText(history), L"History");
        const HWND records = FindChildByClass(history, L"SysListView32", 0);
        const HWND changes = FindChildByClass(history, L"SysListView32", 1);
        ASSERT_TRUE(records && changes);
        const auto rows = ListViewRows(records);
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0][1], L"Undo");
        EXPECT_EQ(rows[1][1], L"Undo");
        EXPECT_EQ(rows[2][1], L"Accelerate!");
        ASSERT_TRUE(ListViewSelect(records, 2));
        EXPECT_TRUE(WaitUntil([&] { return ListViewCount(changes) > 0; }, 5000));
        SaveScreenshot(prefix + L"-history", history);
        ASSERT_TRUE(PostClick(FindChildByText(history, L"&Restore")));
        const HWND restart = WaitRestartQuestionAfterRestore();
        ASSERT_TRUE(restart);
        ASSERT_TRUE(AnswerDialog(restart, IDNO));
        ASSERT_TRUE(WaitWindowGone(restart, kDialogTimeoutMs));
        EXPECT_EQ(WholeKeys(nt), seeded);
        EXPECT_TRUE(WaitUntil([&] { return ListViewCount(records) == 4; }, 5000));  // the restore is recorded
        ASSERT_TRUE(PostClose(history));
        EXPECT_TRUE(WaitWindowGone(history, kDialogTimeoutMs));
    }

    // The open or save dialog a command brings up, given a file name and answered with OK.
    void ChooseFile(int command, const std::wstring& path) {
        ASSERT_TRUE(PostCommand(window_, command));
        const HWND dialog = WaitDialog(tarvex_.Process.Id(), kDialogTimeoutMs);
        ASSERT_TRUE(dialog) << "no file dialog";
        HWND name = FindChildById(dialog, 0x47C);        // the file name's combo box
        if (!name) name = FindChildById(dialog, 0x480);  // or its edit box
        ASSERT_TRUE(name);
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_ABORTIFHUNG,
                                        5000, &result));
        ASSERT_TRUE(AnswerDialog(dialog, IDOK));
        ASSERT_TRUE(WaitWindowGone(dialog, kDialogTimeoutMs));
    }

    // Runs a command line in the prefix and waits for it to end; its exit code.
    static std::optional<DWORD> RunAndWait(std::wstring commandLine) {
        STARTUPINFOW startup{sizeof startup};
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process))
            return std::nullopt;
        CloseHandle(process.hThread);
        std::optional<DWORD> code;
        DWORD exit = 0;
        if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(process.hProcess, &exit))
            code = exit;
        CloseHandle(process.hProcess);
        return code;
    }

    // "Export settings..." writes the system's registry file form: the platform's own registry
    // editor imports it and gives back the seeded keys; "Import settings..." does the same.
    // The registry editor stores a "hex(1):" line through RegSetValueExW from a buffer of its own,
    // which adds a terminator to text that lacks one whenever the memory past it holds a NUL: text
    // saved without one may come back with one, and every other value exactly.
    static void ExpectAsTheRegistryEditorStores(const std::map<std::wstring, std::string>& imported,
                                                const std::map<std::wstring, std::string>& seeded) {
        EXPECT_EQ(imported.size(), seeded.size());
        for (const auto& [name, value] : seeded) {
            const auto found = imported.find(name);
            const std::string now = found == imported.end() ? "absent" : found->second;
            const bool text =
                value.starts_with("type 1:") || value.starts_with("type 2:") || value.starts_with("type 7:");
            if (text && now == value + " 0 0") continue;
            EXPECT_EQ(now, value) << "the registry editor's import of " << std::string(name.begin(), name.end());
        }
    }

    void ExportThenImport(std::wstring_view personality, bool nt, bool modern = false) {
        ASSERT_TRUE(ForgetProgramSettings());
        SeedAdapters(nt);
        SeedKeptValues(nt);
        SeedOddValues(nt);
        const auto seeded = WholeKeys(nt);
        const std::wstring file = L"C:\\tarvex-export.reg";
        DeleteFileW(file.c_str());
        ASSERT_NO_FATAL_FAILURE(Start(personality));

        ASSERT_NO_FATAL_FAILURE(ChooseFile(CommandIdOf(NavItem::ItemExportSettings), file));
        ASSERT_TRUE(WaitUntil([&] { return !FileBytes(file).empty(); }, 5000)) << "no file written";
        const std::string bytes = FileBytes(file);
        static constexpr char kHeader[] = "\xFF\xFEW\0i\0n\0d\0o\0w\0s\0 \0R\0e\0g\0i\0s\0t\0r\0y\0";
        const std::string header(kHeader, sizeof kHeader - 1);  // UTF-16LE with its byte-order mark
        EXPECT_EQ(bytes.substr(0, header.size()), header);

        ASSERT_NO_FATAL_FAILURE(RunScenario(ConnectionScenario::rbLAN, L"", modern));
        ASSERT_NO_FATAL_FAILURE(PressOKAndAnswer(IDNO));
        ASSERT_NE(WholeKeys(nt), seeded);
        EXPECT_EQ(RunAndWait(L"regedit.exe /s " + file), std::optional<DWORD>(0));
        ExpectAsTheRegistryEditorStores(WholeKeys(nt), seeded);

        ASSERT_NO_FATAL_FAILURE(RunScenario(ConnectionScenario::rbADSL, L"", modern));
        ASSERT_NO_FATAL_FAILURE(PressOKAndAnswer(IDNO));
        ASSERT_NE(WholeKeys(nt), seeded);
        ASSERT_NO_FATAL_FAILURE(ChooseFile(CommandIdOf(NavItem::ItemImportSettings), file));
        const HWND question = WaitRestartQuestionAfterRestore();
        ASSERT_TRUE(question) << "no restart question after the import";
        ASSERT_TRUE(AnswerDialog(question, IDNO));
        ASSERT_TRUE(WaitWindowGone(question, kDialogTimeoutMs));
        EXPECT_EQ(WholeKeys(nt), seeded) << "the program's import";
    }

    RunningTarvex tarvex_;
    HWND window_ = nullptr;
    std::vector<Adapter> adapters_;
};

}  // namespace tarvex::e2e::tuning
