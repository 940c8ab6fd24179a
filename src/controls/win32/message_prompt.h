#pragma once
// A question or notice in the system's current look: a task dialog on Vista and later while
// visual styles are in use, a message box otherwise; centred over the active window.
#include <windows.h>

#include <string_view>

namespace tarvex {

enum class MsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// The buttons a prompt offers, combined with |.
enum MsgDlgButton : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbClose = 1u << 7,
};

// Shows the prompt modally and returns the pressed button's result (IDYES, IDNO, IDOK...; 0
// when the dialog ended without one). `owner` places a message box when no window of the
// program is active (null: the screen).
int MessagePrompt(std::string_view text, MsgDlgType type, unsigned buttons, HWND owner = nullptr);

}  // namespace tarvex
