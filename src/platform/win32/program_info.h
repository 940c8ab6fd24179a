#pragma once
// Facts about the program's own executable.
#include <optional>
#include <string>

#include "common/version_text.h"

namespace tarvex {

std::string CurrentUserId();                                          // the user running the program as "DOMAIN\user"
std::string ExecutablePath();                                         // full path of the running executable
std::optional<FileVersion> ReadFileVersion(const std::string& path);  // fixed version info, if any
std::optional<FileVersion> OwnFileVersion();                          // ReadFileVersion(ExecutablePath())

}  // namespace tarvex
