#include "tuning/win32/netsh_tcp_settings.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "common/error.h"
#include "platform/win32/system_function.h"
#include "platform/win32/unicode.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"
#include "tuning/win32/ip_interfaces.h"

namespace tarvex {
namespace {

// netsh answers in well under a second; one that hangs is stopped rather than waited for.
constexpr DWORD kDeadlineMs = 30000;
constexpr DWORD kPollMs = 20;
// More than netsh ever prints; the rest is read and dropped so that it cannot block on a full pipe.
constexpr std::size_t kOutputLimit = 64 * 1024;

// The system's own netsh: under WOW64 the 32-bit program reaches the native one through
// Sysnative, since System32 would give it the 32-bit copy.
std::wstring NetshPath() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) ThrowLastError("GetSystemWindowsDirectoryW");
    using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, BOOL*);
    const auto isWow64Process = LoadedSystemFunction<IsWow64ProcessFunction>(L"kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    if (isWow64Process && !isWow64Process(GetCurrentProcess(), &wow64)) wow64 = FALSE;
    std::wstring path(folder, length);
    if (path.back() != L'\\') path += L'\\';
    return path + (wow64 ? L"Sysnative\\netsh.exe" : L"System32\\netsh.exe");
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

[[noreturn]] void ThrowNetshMissing(const std::wstring& path) {
    throw Error("The TCP settings cannot be changed: " + WideToUtf8(path) +
                ", the program of Windows that changes them, was not found.");
}

// A caption as it reads inside a sentence: "Receive window auto-tuning" becomes "receive window
// auto-tuning", while "ECN capability" keeps its capitals.
std::string InSentence(std::string_view caption) {
    std::string text(caption);
    if (text.size() >= 2 && text[0] >= 'A' && text[0] <= 'Z' && text[1] >= 'a' && text[1] <= 'z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

// netsh writes to a pipe in the console's (OEM) code page. Its text is the user's language:
// it is shown, never parsed.
std::string DecodeOutput(const std::string& bytes) {
    std::wstring wide;
    if (!bytes.empty()) {
        const int size = static_cast<int>(bytes.size());
        const int length = MultiByteToWideChar(CP_OEMCP, 0, bytes.data(), size, nullptr, 0);
        if (length > 0) {
            wide.resize(static_cast<std::size_t>(length));
            MultiByteToWideChar(CP_OEMCP, 0, bytes.data(), size, wide.data(), length);
        }
    }
    const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; };
    const auto first = std::find_if_not(wide.begin(), wide.end(), blank);
    const auto last = std::find_if_not(wide.rbegin(), wide.rend(), blank).base();
    return first < last ? WideToUtf8(std::wstring_view(&*first, static_cast<std::size_t>(last - first))) : "";
}

struct NetshResult {
    DWORD ExitCode = 0;
    std::string Output;  // stdout and stderr as one text, trimmed
};

// Runs netsh with `arguments` (fixed words and numbers the program made) and waits for it, at
// most kDeadlineMs; `change` names what it does for the errors ("the MTU of Ethernet").
NetshResult RunNetsh(const std::wstring& arguments, const std::string& change) {
    const std::wstring exe = NetshPath();
    if (!FileExists(exe)) ThrowNetshMissing(exe);
    const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\'));

    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    UniqueKernelHandle readEnd;
    UniqueKernelHandle writeEnd;
    CheckWin32(CreatePipe(OutParam(readEnd), OutParam(writeEnd), &inheritable, 0), "CreatePipe");
    CheckWin32(SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0), "SetHandleInformation");
    // An input that is at its end at once: netsh never waits for a line.
    UniqueFile input(
        CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0, nullptr));
    if (!input) ThrowLastError("CreateFileW");

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        folder.c_str(), &startup, &started)) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) ThrowNetshMissing(exe);
        throw Error("netsh could not be started for the change of " + change + ": " + SystemErrorText(code) + ".");
    }
    const UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);
    // Only the child holds the writing end now, so the pipe breaks when it ends.
    writeEnd.reset();
    input.reset();

    std::string bytes;
    const DWORD start = GetTickCount();
    bool ended = false;
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr)) break;  // every writer gone
        if (available > 0) {
            char chunk[4096];
            DWORD read = 0;
            if (!ReadFile(readEnd.get(), chunk, std::min<DWORD>(available, sizeof chunk), &read, nullptr)) break;
            bytes.append(chunk, std::min<std::size_t>(read, kOutputLimit - std::min(kOutputLimit, bytes.size())));
            continue;
        }
        // Ended and read to the end; a process it started may hold the pipe still, and is not waited for.
        if (ended) break;
        if (GetTickCount() - start >= kDeadlineMs) {
            TerminateProcess(process.get(), ERROR_TIMEOUT);
            WaitForSingleObject(process.get(), 5000);
            throw Error("netsh did not finish the change of " + change + " within " +
                        std::to_string(kDeadlineMs / 1000) + " seconds and was stopped.");
        }
        ended = WaitForSingleObject(process.get(), kPollMs) == WAIT_OBJECT_0;
    }
    // The pipe can break just before the process counts as ended.
    WaitForSingleObject(process.get(), kDeadlineMs);

    NetshResult result;
    CheckWin32(GetExitCodeProcess(process.get(), &result.ExitCode), "GetExitCodeProcess");
    result.Output = DecodeOutput(bytes);
    return result;
}

// Runs netsh for `change` and throws Error, with netsh's own words, when it refuses.
void RunChange(const std::wstring& arguments, const std::string& change) {
    const NetshResult result = RunNetsh(arguments, change);
    if (result.ExitCode == 0) return;
    std::string text =
        "Windows refused the change of " + change + " (netsh ended with code " + std::to_string(result.ExitCode) + ")";
    text += result.Output.empty() ? "." : ":\r\n\r\n" + result.Output;
    throw Error(text);
}

std::string NetshWord(const ModernSystem& system, const ModernSettingInfo& info, int value) {
    if (value == kWindowsDefault) return info.Id == ModernSettingId::AutoTuningLevel ? "normal" : "default";
    if (info.Choices.empty()) {
        if (value >= info.Min && value <= info.Max) return std::to_string(value);
    } else {
        for (const ModernChoice& choice : info.Choices)
            if (choice.Value == value && !choice.NetshWord.empty()) return std::string(choice.NetshWord);
    }
    throw Error(std::string(info.Caption) + " cannot be set to " + DescribeModernValue(info.Id, value) + " on " +
                system.Release + ".");
}

}  // namespace

NetshTcpSettings::NetshTcpSettings(ModernSystem system) : system_(std::move(system)) {}

ModernReading NetshTcpSettings::Read() {
    const std::wstring exe = NetshPath();
    if (!FileExists(exe)) ThrowNetshMissing(exe);
    return {};
}

void NetshTcpSettings::Write(ModernSettingId id, int value) {
    const ModernSettingInfo& info = ModernSettingOf(id);
    if (!HasSetting(system_, id) || info.NetshArgument.empty())
        throw Error(std::string(info.Caption) + " does not exist on " + system_.Release + ".");
    const std::string word = NetshWord(system_, info, value);
    RunChange(Utf8ToWide("interface tcp set global " + std::string(info.NetshArgument) + "=" + word),
              InSentence(info.Caption));
}

std::vector<ModernInterface> NetshTcpSettings::Interfaces() {
    return ListIpv4Interfaces();
}

void NetshTcpSettings::WriteMtu(const ModernInterface& where, int mtu) {
    const std::string name = where.Name.empty() ? "interface " + std::to_string(where.Index) : where.Name;
    if (where.Index == 0 || mtu <= 0)
        throw Error("The MTU of " + name + " cannot be set to " + std::to_string(mtu) + ".");
    // Numbers through the narrow conversion: the wide one pulls in the C runtime's wide printf.
    RunChange(Utf8ToWide("interface ipv4 set subinterface " + std::to_string(where.Index) +
                         " mtu=" + std::to_string(mtu) + " store=persistent"),
              "the MTU of " + name);
    const std::optional<int> now = ReadIpInterfaceMtu(where.Index);
    if (now && *now != mtu)
        throw Error("Windows accepted the MTU of " + std::to_string(mtu) + " for " + name +
                    ", but the interface still has " + std::to_string(*now) + ".");
}

}  // namespace tarvex
