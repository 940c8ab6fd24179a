// A recording stand-in for netsh.exe, copied over a test prefix's system32\netsh.exe.
//
// Each start appends its arguments (its command line without its own program part) as one UTF-8
// line to C:\netsh-stub\calls.txt, and ends with 0 printing nothing. When C:\netsh-stub\refuse.txt
// exists (UTF-8) and its first line occurs in the arguments, it refuses as netsh does: it prints
// the lines after the second to stdout in the console's (OEM) code page and ends with the number
// on the second line.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr wchar_t kFolder[] = L"C:\\netsh-stub";
constexpr wchar_t kCalls[] = L"C:\\netsh-stub\\calls.txt";
constexpr wchar_t kRefuse[] = L"C:\\netsh-stub\\refuse.txt";

std::wstring_view Arguments(std::wstring_view line) {
    std::size_t at = 0;
    if (!line.empty() && line[0] == L'"') {
        at = line.find(L'"', 1);
        at = at == std::wstring_view::npos ? line.size() : at + 1;
    } else {
        while (at < line.size() && line[at] != L' ' && line[at] != L'\t') ++at;
    }
    while (at < line.size() && (line[at] == L' ' || line[at] == L'\t')) ++at;
    return line.substr(at);
}

std::string Encode(std::wstring_view text, UINT codePage) {
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) WideCharToMultiByte(codePage, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

std::wstring ReadUtf8File(const wchar_t* path, bool& found) {
    const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    found = file != INVALID_HANDLE_VALUE;
    if (!found) return {};
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
    CloseHandle(file);
    const int size = static_cast<int>(bytes.size());
    std::wstring text(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, text.data(), static_cast<int>(text.size()));
    return text;
}

// One line of `text` from `at` on, without its line break; `at` moves past it.
std::wstring_view NextLine(std::wstring_view text, std::size_t& at) {
    const std::size_t end = std::min(text.find(L'\n', at), text.size());
    std::wstring_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
    at = end < text.size() ? end + 1 : end;
    return line;
}

}  // namespace

int wmain() {
    const std::wstring_view arguments = Arguments(GetCommandLineW());

    CreateDirectoryW(kFolder, nullptr);
    const HANDLE calls = CreateFileW(kCalls, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (calls == INVALID_HANDLE_VALUE) return 99;
    const std::string line = Encode(std::wstring(arguments) + L"\n", CP_UTF8);
    DWORD written = 0;
    WriteFile(calls, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(calls);

    bool found = false;
    const std::wstring refuse = ReadUtf8File(kRefuse, found);
    if (!found) return 0;
    std::size_t at = 0;
    const std::wstring_view match = NextLine(refuse, at);
    if (match.empty() || arguments.find(match) == std::wstring_view::npos) return 0;
    const int code = _wtoi(std::wstring(NextLine(refuse, at)).c_str());
    const std::string text = Encode(std::wstring_view(refuse).substr(at), CP_OEMCP);
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return code;
}
