#pragma once
// The restart after a tuning run: the question, and the request to Windows. Failures are
// silent: the user can still restart by hand, and the program goes on as before.
#include <functional>
#include <string_view>

#include "platform/system_restart.h"

namespace tarvex {

inline constexpr std::string_view kRestartQuestion =
    "You will need to restart your system before the new settings will take effect.\r\n\r\n"
    "Would you like Tarvex to restart your computer now?";

// Enables the shutdown privilege on the NT family, then asks Windows to restart; true when
// Windows accepted. Without the privilege Windows is not asked.
bool RequestRestart(SystemRestart& restart, bool isNT);

// Asks `confirm` (Yes/No with the question above) and requests the restart on Yes; the
// request's result is ignored.
void OfferRestart(const std::function<bool(std::string_view question)>& confirm, SystemRestart& restart, bool isNT);

}  // namespace tarvex
