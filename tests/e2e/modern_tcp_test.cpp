// The modern TCP stack in the shipped program. Under Windows 7 a recording stand-in takes the
// place of the prefix's netsh.exe (Wine's own prints nothing and ends with 0), so the suite sees
// every command the program gives: two scenarios, "Restore Defaults", the undo, a refusal, and
// a change on the advanced editor's "Modern TCP" tab. Under Windows 10, where WMI is the way
// and Wine has none of its TCP classes, the program says so and changes nothing modern; under
// Windows XP it never looks.
#include <algorithm>
#include <string>
#include <vector>

#include "common/ascii_text.h"
#include "e2e/support/tuning.h"
#include "tuning/win32/ip_interfaces.h"

namespace tarvex::e2e::tuning {
namespace {

constexpr wchar_t kStubFolder[] = L"C:\\netsh-stub";
constexpr wchar_t kCalls[] = L"C:\\netsh-stub\\calls.txt";
constexpr wchar_t kRefuse[] = L"C:\\netsh-stub\\refuse.txt";
constexpr int kModernTab = 7;  // after the classic tabs

class ModernTcpSuite : public TuningSuite {
protected:
    void SetUp() override {
        ASSERT_TRUE(ForgetProgramSettings());
        CreateDirectoryW(kStubFolder, nullptr);
        DeleteFileW(kCalls);
        DeleteFileW(kRefuse);
        // The stand-in is built beside Tarvex.exe.
        const std::wstring exe = TarvexExe();
        const std::wstring stub = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"netsh_stub.exe";
        wchar_t system[MAX_PATH];
        ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
        ASSERT_TRUE(CopyFileW(stub.c_str(), (std::wstring(system) + L"\\netsh.exe").c_str(), FALSE))
            << "cannot put the stand-in in place: " << GetLastError();
        // Wine starts its own netsh for that name unless told to take the file.
        ASSERT_TRUE(WriteString({HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides"}, L"netsh.exe", L"native"));
    }

    // The commands netsh was given since the last look, one per call.
    std::vector<std::string> TakeCalls() {
        std::vector<std::string> calls;
        std::string bytes = FileBytes(kCalls);
        DeleteFileW(kCalls);
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t end = bytes.find('\n', at);
            std::string line = bytes.substr(at, end == std::string::npos ? std::string::npos : end - at);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) calls.push_back(line);
            at = end == std::string::npos ? bytes.size() : end + 1;
        }
        return calls;
    }

    static std::vector<std::string> Global(std::initializer_list<const char*> settings) {
        std::vector<std::string> calls;
        for (const char* setting : settings) calls.push_back(std::string("interface tcp set global ") + setting);
        return calls;
    }

    // The MTU commands for the seeded adapters that Windows has as IPv4 interfaces, in the list's
    // order (the network cards' order).
    std::vector<std::string> MtuCalls(int mtu) const {
        std::vector<std::string> calls;
        const std::vector<ModernInterface> interfaces = ListIpv4Interfaces();
        for (const Adapter& adapter : adapters_) {
            const std::wstring service = adapter.MtuKey.substr(adapter.MtuKey.find_last_of(L'\\') + 1);
            const std::string key(service.begin(), service.end());
            for (const ModernInterface& item : interfaces)
                if (AsciiEqualsIgnoreCase(item.AdapterKey, key))
                    calls.push_back("interface ipv4 set subinterface " + std::to_string(item.Index) +
                                    " mtu=" + std::to_string(mtu) + " store=persistent");
        }
        return calls;
    }

    static std::vector<std::string> Join(std::vector<std::string> first, const std::vector<std::string>& second) {
        first.insert(first.end(), second.begin(), second.end());
        return first;
    }

    static bool HasText(const driver::DialogContent& content, std::wstring_view part) {
        return std::any_of(content.Texts.begin(), content.Texts.end(),
                           [&](const std::wstring& text) { return text.find(part) != std::wstring::npos; });
    }

    void OpenModernTab() {
        ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::ToolButton2)));
        ASSERT_TRUE(WaitUntil([&] { return Control(ids::kPageControlAdvanced) != nullptr; }, 5000));
        ASSERT_TRUE(TabSelect(Control(ids::kPageControlAdvanced), kModernTab));
        ASSERT_TRUE(WaitUntil([&] { return IsVisible(Control(ids::kListViewModern)); }, 5000));
    }
};

TEST_F(ModernTcpSuite, Windows7TwoScenariosRestoreDefaultsAndUndoGiveExactlyTheseCommands) {
    SeedAdapters(true);
    ASSERT_NO_FATAL_FAILURE(Start(L""));
    EXPECT_TRUE(TakeCalls().empty()) << "reading at start runs nothing";

    ASSERT_NO_FATAL_FAILURE(RunScenario(ConnectionScenario::rbADSL, L"modern-win7", true));
    ASSERT_NO_FATAL_FAILURE(PressOKAndAnswer(IDNO));
    EXPECT_EQ(TakeCalls(),
              Join(Global({"autotuninglevel=normal", "ecncapability=default", "timestamps=default", "rss=enabled"}),
                   MtuCalls(1500)));

    ASSERT_NO_FATAL_FAILURE(RunScenario(ConnectionScenario::rbDialUpModem, L"", true));
    ASSERT_NO_FATAL_FAILURE(PressOKAndAnswer(IDNO));
    EXPECT_EQ(
        TakeCalls(),
        Join(Global({"autotuninglevel=highlyrestricted", "ecncapability=default", "timestamps=default", "rss=enabled"}),
             MtuCalls(576)));

    Choose(ConnectionScenario::rbRestore);
    ASSERT_TRUE(PostClick(Control(ids::kBtnAccelerate)));
    const HWND restored = WaitDialog(tarvex_.Process.Id(), kDialogTimeoutMs);
    ASSERT_TRUE(restored);
    EXPECT_TRUE(HasText(ReadDialog(restored), L"All Tarvex optimizations have been removed."));
    ASSERT_TRUE(AnswerDialog(restored, IDOK));
    ASSERT_TRUE(WaitWindowGone(restored, kDialogTimeoutMs));
    const auto defaults = Global({"autotuninglevel=normal", "congestionprovider=default", "ecncapability=default",
                                  "timestamps=default", "rss=default"});
    EXPECT_EQ(TakeCalls(), defaults);

    // Windows 7 keeps these values where the program cannot read them, so the undo returns each
    // to Windows' default and says so; the interfaces' MTU is read, and is as it was.
    ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::ItemUndoLastChange)));
    const HWND notes = WaitDialog(tarvex_.Process.Id(), kDialogTimeoutMs);
    ASSERT_TRUE(notes);
    const auto content = ReadDialog(notes);
    EXPECT_TRUE(HasText(content,
                        L"Receive window auto-tuning: its earlier value could not be read, so it was "
                        L"returned to Windows' default."));
    SaveScreenshot(L"modern-win7-undo-notes", notes);
    ASSERT_TRUE(AnswerDialog(notes, IDOK));
    ASSERT_TRUE(WaitWindowGone(notes, kDialogTimeoutMs));
    const HWND restart = WaitDialog(tarvex_.Process.Id(), kDialogTimeoutMs);
    ASSERT_TRUE(restart) << "no restart question after the undo";
    ASSERT_TRUE(AnswerDialog(restart, IDNO));
    ASSERT_TRUE(WaitWindowGone(restart, kDialogTimeoutMs));
    EXPECT_EQ(TakeCalls(), defaults);
}

TEST_F(ModernTcpSuite, Windows7ARefusalIsReportedWithNetshsOwnWords) {
    SeedAdapters(true);
    const std::string refusal = "The requested operation requires elevation (Run as administrator).";
    HANDLE file = CreateFileW(kRefuse, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::string text = "ecncapability\r\n1\r\n" + refusal + "\r\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_NO_FATAL_FAILURE(Start(L""));

    Choose(ConnectionScenario::rbLAN);
    ASSERT_TRUE(PostClick(Control(ids::kBtnAccelerate)));
    const HWND message = WaitDialog(tarvex_.Process.Id(), kRunTimeoutMs);
    ASSERT_TRUE(message) << "no message about the refusal";
    const auto content = ReadDialog(message);
    EXPECT_TRUE(HasText(content, L"Windows refused some of the changes"));
    EXPECT_TRUE(HasText(content, std::wstring(refusal.begin(), refusal.end())));
    SaveScreenshot(L"modern-win7-refused", message);
    ASSERT_TRUE(AnswerDialog(message, IDOK));
    ASSERT_TRUE(WaitWindowGone(message, kDialogTimeoutMs));
    const auto rows = ListViewRows(Control(ids::kListViewProgress));
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[1][0], L"ECN capability: Windows default");
    EXPECT_EQ(rows[1][1], L"Failed");
    EXPECT_EQ(rows[2][1], L"Done");  // the others still went
    SaveScreenshot(L"modern-win7-refused-list", window_);
    ASSERT_NO_FATAL_FAILURE(PressOKAndAnswer(IDNO));
}

TEST_F(ModernTcpSuite, Windows7TheModernTabShowsAndAppliesAChange) {
    SeedAdapters(true);
    ASSERT_NO_FATAL_FAILURE(Start(L""));
    ASSERT_NO_FATAL_FAILURE(OpenModernTab());
    EXPECT_EQ(TabCount(Control(ids::kPageControlAdvanced)), 8);
    const HWND list = Control(ids::kListViewModern);
    const auto rows = ListViewRows(list);
    ASSERT_EQ(rows.size(), 5u);  // Vista and 7 have neither RSC nor the initial RTO
    EXPECT_EQ(rows[0], (std::vector<std::wstring>{L"Receive window auto-tuning", L"unknown", L""}));
    EXPECT_NE(WindowText(Control(ids::kLblModernStatus)).find(L"cannot read them"), std::wstring::npos);

    ASSERT_TRUE(ListViewSelect(list, 0));
    const HWND choice = Control(ids::kCbModern);
    ASSERT_TRUE(WaitUntil([&] { return IsEnabled(choice); }, 5000));
    ASSERT_TRUE(
        ComboSelect(choice, 4));  // "(leave as it is)", "Windows default", Disabled, Highly restricted, Restricted
    EXPECT_TRUE(WaitUntil([&] { return ListViewText(list, 0, 2).value_or(L"") == L"Restricted"; }, 5000));
    EXPECT_NE(WindowText(Control(ids::kLblModernWhy)).find(L"Default: Normal."), std::wstring::npos);
    SaveScreenshot(L"modern-win7-tab", window_);
    ASSERT_TRUE(Click(Control(ids::kBtnApply)));
    EXPECT_TRUE(WaitUntil([&] { return ListViewText(list, 0, 2).value_or(L"?") == L""; }, 5000));
    EXPECT_EQ(TakeCalls(), Global({"autotuninglevel=restricted"}));  // the MTU tab was left as read
    EXPECT_FALSE(WaitDialog(tarvex_.Process.Id(), 500)) << "Apply asks nothing";

    // The classic window is greyed and says why.
    ASSERT_TRUE(TabSelect(Control(ids::kPageControlAdvanced), 3));
    EXPECT_FALSE(IsEnabled(Control(ids::kRbRWINCustom)));
    EXPECT_TRUE(IsVisible(Control(ids::kLblNotUsedRwin)));
    EXPECT_EQ(WindowText(Control(ids::kLblNotUsedRwin)), L"Not used by this version of Windows");
    EXPECT_TRUE(IsEnabled(Control(ids::kRbTTLCustom)));  // the TTL is still read
    SaveScreenshot(L"modern-win7-rwin", window_);
}

TEST_F(ModernTcpSuite, Windows10SaysPlainlyThatTheSettingsCannotBeReachedAndChangesNothingModern) {
    SeedAdapters(true);
    SeedKeptValues(true);
    ASSERT_NO_FATAL_FAILURE(Start(L"win10"));
    Choose(ConnectionScenario::rbLAN);
    ASSERT_TRUE(PostClick(Control(ids::kBtnAccelerate)));
    const HWND message = WaitDialog(tarvex_.Process.Id(), kRunTimeoutMs);
    ASSERT_TRUE(message);
    EXPECT_TRUE(HasText(ReadDialog(message),
                        L"The TCP settings of this version of Windows cannot be read or changed "
                        L"here, so Tarvex changed none of them."));
    SaveScreenshot(L"modern-win10-message", message);
    ASSERT_TRUE(AnswerDialog(message, IDOK));
    ASSERT_TRUE(WaitWindowGone(message, kDialogTimeoutMs));
    const auto rows = ListViewRows(Control(ids::kListViewProgress));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::wstring>{L"TCP settings of this Windows", L"Not here"}));
    SaveScreenshot(L"modern-win10-list", window_);
    ASSERT_NO_FATAL_FAILURE(PressOKAndAnswer(IDNO));
    EXPECT_TRUE(TakeCalls().empty());
    ExpectRegistry(ExpectedPreset(true, false, 256960, 1500), "the classic values as before");

    ASSERT_NO_FATAL_FAILURE(OpenModernTab());
    EXPECT_NE(WindowText(Control(ids::kLblModernStatus))
                  .find(L"The TCP settings of this version of Windows cannot be read or changed here."),
              std::wstring::npos);
    const auto settings = ListViewRows(Control(ids::kListViewModern));
    ASSERT_EQ(settings.size(), 7u);
    for (const auto& row : settings) EXPECT_EQ(row.at(1), L"unknown") << std::string(row[0].begin(), row[0].end());
    ASSERT_TRUE(ListViewSelect(Control(ids::kListViewModern), 0));
    EXPECT_FALSE(IsEnabled(Control(ids::kCbModern)));
    EXPECT_NE(WindowText(Control(ids::kLblModernWhy)).find(L"0x8004100E"), std::wstring::npos);
    SaveScreenshot(L"modern-win10-tab", window_);
}

TEST_F(ModernTcpSuite, WindowsXPTouchesNothingModern) {
    SeedAdapters(true);
    ASSERT_NO_FATAL_FAILURE(Start(L"winxp"));
    ASSERT_NO_FATAL_FAILURE(RunScenario(ConnectionScenario::rbADSL, L""));
    ASSERT_NO_FATAL_FAILURE(PressOKAndAnswer(IDNO));
    EXPECT_TRUE(TakeCalls().empty());
    ASSERT_TRUE(PostCommand(window_, CommandIdOf(NavItem::ToolButton2)));
    ASSERT_TRUE(WaitUntil([&] { return Control(ids::kPageControlAdvanced) != nullptr; }, 5000));
    EXPECT_EQ(TabCount(Control(ids::kPageControlAdvanced)), 7);
}

}  // namespace
}  // namespace tarvex::e2e::tuning
