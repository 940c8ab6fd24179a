#include "tuning/restart.h"

namespace tarvex {

bool RequestRestart(SystemRestart& restart, bool isNT) {
    if (isNT && !restart.EnableShutdownPrivilege()) return false;
    return restart.Reboot();
}

void OfferRestart(const std::function<bool(std::string_view question)>& confirm, SystemRestart& restart, bool isNT) {
    if (confirm(kRestartQuestion)) RequestRestart(restart, isNT);
}

}  // namespace tarvex
