#pragma once
// The program's help: the HTML Help viewer on the help file, at its table of contents.
#include <windows.h>

#include <string_view>

namespace tarvex {

// Opens `helpFile` (UTF-8 path) at its table of contents, in a window of its own. Where the
// file or the viewer is missing, says so in a message box owned by `owner` instead.
void ShowHelp(std::string_view helpFile, HWND owner);

}  // namespace tarvex
