// Command-line front end of the driver for scripts: waits for, reads, photographs and closes
// windows, measures how fast a program shows its window, and keeps one open for as long as a
// script measures it. Prints results on stdout; the exit code is 0 on success, 1 on failure.
#include "driver.h"

#include <psapi.h>  // after <windows.h>, which driver.h includes

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "monitor/statistics.h"
#include "platform/win32/ip_helper.h"
#include "platform/win32/unicode.h"

namespace tarvex::driver {
namespace {

constexpr DWORD kDefaultWaitMs = 10000;
constexpr DWORD kBenchWindowTimeoutMs = 60000;
constexpr DWORD kBenchSettleMs = 500;
constexpr DWORD kBenchExitWaitMs = 5000;

void Print(const std::wstring& text) {
    const std::string utf8 = WideToUtf8(text) + "\n";
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
}

int Fail(const std::wstring& text) {
    const std::string utf8 = "tvdriver: " + WideToUtf8(text) + "\n";
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    return 1;
}

int Usage() {
    return Fail(
        L"usage:\n"
        L"  tvdriver wait-window <class> [timeoutMs]\n"
        L"  tvdriver text <class>\n"
        L"  tvdriver screenshot <class|-> <file.png>   (- : the whole screen)\n"
        L"  tvdriver close <class>\n"
        L"  tvdriver startup-bench <exe> <windowClass> <runs>\n"
        L"  tvdriver startup-compare <runs> <label>|<windowClass>|<exe>[ <argument>...] ...\n"
        L"  tvdriver hold <windowClass> <exe> [argument...]\n"
        L"      (prints pid=<id> once the window shows; closes it at a line or the end of input)\n"
        L"  tvdriver interface-table   (status=<code>, then <in> <out> <adapter name> per row)");
}

std::optional<unsigned long> ParseNumber(const wchar_t* text) {
    wchar_t* end = nullptr;
    const unsigned long value = std::wcstoul(text, &end, 10);
    if (end == text || *end != L'\0') return std::nullopt;
    return value;
}

// Prefers a visible window of the class, as that is the one a user sees.
HWND FindByClass(const std::wstring& className) {
    if (HWND window = FindTopWindow({.ClassName = className, .VisibleOnly = true})) return window;
    return FindTopWindow({.ClassName = className});
}

int WaitWindowCommand(const std::wstring& className, DWORD timeoutMs) {
    const HWND window = WaitTopWindow({.ClassName = className, .VisibleOnly = true}, timeoutMs);
    if (!window) return Fail(L"no visible window of class " + className);
    wchar_t handle[32];
    std::swprintf(handle, 32, L"0x%08lX", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)));
    Print(handle);
    return 0;
}

int TextCommand(const std::wstring& className) {
    const HWND window = FindByClass(className);
    if (!window) return Fail(L"no window of class " + className);
    Print(WindowText(window));
    return 0;
}

int ScreenshotCommand(const std::wstring& className, const std::wstring& file) {
    HWND window = nullptr;
    if (className != L"-") {
        window = FindByClass(className);
        if (!window) return Fail(L"no window of class " + className);
    }
    const std::wstring path = UnixToWinePath(file);
    if (!SaveScreenshot(window, path)) return Fail(L"cannot save a screenshot to " + path);
    Print(path);
    return 0;
}

int CloseCommand(const std::wstring& className) {
    const HWND window = FindByClass(className);
    if (!window || !PostClose(window)) return Fail(L"no window of class " + className);
    return 0;
}

struct BenchRun {
    double Milliseconds = 0;
    unsigned long long PrivateKib = 0;
};

std::optional<BenchRun> RunOnce(const std::wstring& exe, const std::wstring& className,
                                const std::wstring& arguments = {}) {
    LARGE_INTEGER frequency{}, start{}, now{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    Process process = Launch(exe, arguments);
    const auto elapsedMs = [&] {
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
    };
    const WindowQuery query{.ClassName = className, .ProcessId = process.Id(), .VisibleOnly = true};
    HWND window = nullptr;
    // Polls finer than WaitTopWindow: the time is the result here.
    while (!(window = FindTopWindow(query))) {
        if (!process.Running() || elapsedMs() > kBenchWindowTimeoutMs) return std::nullopt;
        Sleep(1);
    }
    BenchRun run{elapsedMs(), 0};

    Sleep(kBenchSettleMs);
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process.Handle(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof(counters))) {
        return std::nullopt;
    }
    // Wine leaves PrivateUsage at 0 but fills PagefileUsage, which Windows keeps equal to it.
    run.PrivateKib = (counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage) / 1024;

    PostClose(window);
    if (!process.WaitExit(kBenchExitWaitMs)) process.Terminate();
    return run;
}

template <typename T>
T Median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

int StartupBenchCommand(const std::wstring& exe, const std::wstring& className, unsigned long runs) {
    if (runs == 0) return Usage();
    std::vector<double> times;
    std::vector<unsigned long long> privateKib;
    for (unsigned long i = 1; i <= runs; ++i) {
        const auto run = RunOnce(UnixToWinePath(exe), className);
        if (!run) return Fail(L"run " + std::to_wstring(i) + L": no visible window of class " + className);
        std::fprintf(stderr, "run %lu: %.1f ms, %llu KiB private\n", i, run->Milliseconds, run->PrivateKib);
        times.push_back(run->Milliseconds);
        privateKib.push_back(run->PrivateKib);
    }
    std::printf("median_ms=%.1f median_private_kib=%llu runs=%lu\n", Median(times), Median(privateKib), runs);
    return 0;
}

struct BenchProgram {
    std::wstring Label, ClassName, Exe, Arguments;
    std::vector<double> Times;
    std::vector<unsigned long long> PrivateKib;
};

// "label|class|exe arguments"
std::optional<BenchProgram> ParseBenchProgram(const std::wstring& text) {
    const auto first = text.find(L'|');
    const auto second = first == std::wstring::npos ? first : text.find(L'|', first + 1);
    if (second == std::wstring::npos) return std::nullopt;
    BenchProgram program{text.substr(0, first), text.substr(first + 1, second - first - 1), text.substr(second + 1)};
    const auto blank = program.Exe.find(L' ');
    if (blank != std::wstring::npos) {
        program.Arguments = program.Exe.substr(blank + 1);
        program.Exe.resize(blank);
    }
    program.Exe = UnixToWinePath(program.Exe);
    return program;
}

// Alternates the programs run by run, so that a passing load on the machine falls on each
// alike; an untimed start of each comes first, as the driver's own first start is slower.
int StartupCompareCommand(std::vector<BenchProgram> programs, unsigned long runs) {
    if (runs == 0 || programs.empty()) return Usage();
    for (unsigned long i = 0; i <= runs; ++i) {
        for (auto& program : programs) {
            const auto run = RunOnce(program.Exe, program.ClassName, program.Arguments);
            if (!run) return Fail(program.Label + L": no visible window of class " + program.ClassName);
            if (i == 0) continue;
            std::fprintf(stderr, "%s run %lu: %.1f ms, %llu KiB private\n", WideToUtf8(program.Label).c_str(), i,
                         run->Milliseconds, run->PrivateKib);
            program.Times.push_back(run->Milliseconds);
            program.PrivateKib.push_back(run->PrivateKib);
        }
    }
    for (const auto& program : programs) {
        const auto [minTime, maxTime] = std::minmax_element(program.Times.begin(), program.Times.end());
        const auto [minKib, maxKib] = std::minmax_element(program.PrivateKib.begin(), program.PrivateKib.end());
        std::printf(
            "%s median_ms=%.1f min_ms=%.1f max_ms=%.1f median_private_kib=%llu min_private_kib=%llu "
            "max_private_kib=%llu runs=%lu\n",
            WideToUtf8(program.Label).c_str(), Median(program.Times), *minTime, *maxTime, Median(program.PrivateKib),
            *minKib, *maxKib, runs);
    }
    return 0;
}

// Starts the program and, once its window shows, prints its Windows process id, then keeps it
// running until a line or the end of standard input: the script that reads the id measures the
// process meanwhile (under Wine, as the Linux process that runs it). The window is then closed as
// a user closes it, so the program's own exit is not hurried.
int HoldCommand(const std::wstring& className, const std::wstring& exe, const std::wstring& arguments) {
    Process process = Launch(UnixToWinePath(exe), arguments);
    const HWND window =
        WaitTopWindow({.ClassName = className, .ProcessId = process.Id(), .VisibleOnly = true}, kBenchWindowTimeoutMs);
    if (!window) return Fail(L"no visible window of class " + className);
    std::printf("pid=%lu\n", static_cast<unsigned long>(process.Id()));
    std::fflush(stdout);
    char line[64];
    (void)std::fgets(line, sizeof(line), stdin);
    PostClose(window);
    if (!process.WaitExit(kBenchExitWaitMs)) process.Terminate();
    return 0;
}

// The interface table as the program reads it, in the namespace of this prefix's wineserver.
int InterfaceTableCommand() {
    IPHelper helper;
    TIfRows rows;
    const std::uint32_t status = helper.ReadInterfaceTable(rows);
    std::printf("status=%lu\n", static_cast<unsigned long>(status));
    for (const TMibIfRow& row : rows) {
        std::printf("%lu %lu %s\n", static_cast<unsigned long>(row.dwInOctets),
                    static_cast<unsigned long>(row.dwOutOctets),
                    AdapterName(helper.DecodeDescription(row.bDescr)).c_str());
    }
    std::fflush(stdout);
    return 0;
}

int Run(const std::vector<std::wstring>& args) {
    if (args.size() == 1 && args[0] == L"interface-table") return InterfaceTableCommand();
    if (args.size() < 2) return Usage();
    const std::wstring& command = args[0];
    if (command == L"wait-window" && args.size() <= 3) {
        const auto timeout = args.size() == 3 ? ParseNumber(args[2].c_str()) : kDefaultWaitMs;
        return timeout ? WaitWindowCommand(args[1], *timeout) : Usage();
    }
    if (command == L"text" && args.size() == 2) return TextCommand(args[1]);
    if (command == L"screenshot" && args.size() == 3) return ScreenshotCommand(args[1], args[2]);
    if (command == L"close" && args.size() == 2) return CloseCommand(args[1]);
    if (command == L"startup-bench" && args.size() == 4) {
        const auto runs = ParseNumber(args[3].c_str());
        return runs ? StartupBenchCommand(args[1], args[2], *runs) : Usage();
    }
    if (command == L"hold" && args.size() >= 3) {
        std::wstring arguments;
        for (size_t i = 3; i < args.size(); ++i) arguments += (i > 3 ? L" " : L"") + args[i];
        return HoldCommand(args[1], args[2], arguments);
    }
    if (command == L"startup-compare" && args.size() >= 3) {
        const auto runs = ParseNumber(args[1].c_str());
        std::vector<BenchProgram> programs;
        for (size_t i = 2; i < args.size(); ++i) {
            auto program = ParseBenchProgram(args[i]);
            if (!program) return Usage();
            programs.push_back(std::move(*program));
        }
        return runs ? StartupCompareCommand(std::move(programs), *runs) : Usage();
    }
    return Usage();
}

}  // namespace
}  // namespace tarvex::driver

int wmain(int argc, wchar_t** argv) {
    try {
        return tarvex::driver::Run(std::vector<std::wstring>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tvdriver: %s\n", error.what());
        return 1;
    }
}
