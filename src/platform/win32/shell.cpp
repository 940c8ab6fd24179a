#include "platform/win32/shell.h"

#include <shellapi.h>

#include <string>

#include "platform/win32/unicode.h"

namespace tarvex {

bool ShellOpen(HWND owner, std::string_view file, std::string_view parameters, int show) {
    const std::wstring wideFile = Utf8ToWide(file);
    const std::wstring wideParameters = Utf8ToWide(parameters);
    const HINSTANCE result = ShellExecuteW(owner, L"open", wideFile.c_str(),
                                           parameters.empty() ? nullptr : wideParameters.c_str(), nullptr, show);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace tarvex
