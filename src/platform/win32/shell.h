#pragma once
// The shell's "open" verb: a file, program or address opened as the user's settings say.
#include <windows.h>

#include <string_view>

namespace tarvex {

// Opens `file` (UTF-8) with `parameters` (none when empty); `owner` gets any message the shell
// shows. True when the shell started something.
bool ShellOpen(HWND owner, std::string_view file, std::string_view parameters = {}, int show = SW_SHOWNORMAL);

}  // namespace tarvex
