#include "links/win32/link_platform.h"

#include <windows.h>

#include <string>

#include "platform/win32/os_version.h"
#include "platform/win32/program_info.h"
#include "platform/win32/registry_access.h"
#include "platform/win32/unicode.h"
#include "platform/win32/shell.h"

namespace tarvex {

std::optional<FileVersion> Win32LinkPlatform::ProgramFileVersion() {
    return OwnFileVersion();
}

OsVersionInfo Win32LinkPlatform::OsVersion() {
    return QueryOsVersion();
}

std::unique_ptr<RegistryAccess> Win32LinkPlatform::NewRegistryAccess() {
    return std::make_unique<Win32RegistryAccess>();
}

bool Win32LinkPlatform::ShellOpen(std::string_view file, std::string_view parameters) {
    return tarvex::ShellOpen(GetDesktopWindow(), file, parameters);
}

IUrlBuilder& UrlBuilder() {
    static Win32LinkPlatform platform;  // lives as long as the builder: the whole process
    return GetUrlBuilder(TarvexProduct(), platform);
}

}  // namespace tarvex
