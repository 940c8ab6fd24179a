#pragma once
// Reads what the running Windows reports about its version.
#include "platform/os_version.h"

namespace tarvex {

// Once per call.
OsVersionInfo QueryOsVersion();

}  // namespace tarvex
