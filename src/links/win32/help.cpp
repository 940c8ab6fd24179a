#include "links/win32/help.h"

#include <string>

#include "platform/win32/system_function.h"
#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

constexpr UINT kHhDisplayToc = 0x0001;  // HH_DISPLAY_TOC
using HtmlHelpWFunction = HWND(WINAPI*)(HWND caller, const wchar_t* file, UINT command, DWORD_PTR data);

// The viewer's entry, loaded at the first request. The library stays loaded until the program
// ends: its help window lives on this thread and may outlast any one request.
HtmlHelpWFunction HtmlHelp() {
    static const HMODULE viewer = LoadSystemLibrary(L"hhctrl.ocx").release();
    static const auto function = ModuleFunction<HtmlHelpWFunction>(viewer, "HtmlHelpW");
    return function;
}

void Tell(HWND owner, const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), L"Tarvex", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

void ShowHelp(std::string_view helpFile, HWND owner) {
    const std::wstring file = Utf8ToWide(helpFile);
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Tell(owner, L"The help file \"" + file + L"\" was not found.\n\nReinstalling Tarvex puts it back.");
        return;
    }
    const HtmlHelpWFunction htmlHelp = HtmlHelp();
    if (!htmlHelp) {
        Tell(owner, L"Help cannot be shown: the HTML Help viewer (hhctrl.ocx) is not installed on this computer.");
        return;
    }
    if (!htmlHelp(nullptr, file.c_str(), kHhDisplayToc, 0))
        Tell(owner, L"The help file \"" + file + L"\" could not be opened.");
}

}  // namespace tarvex
