#include "links/win32/link_platform.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/win32/os_version.h"
#include "platform/win32/program_info.h"
#include "platform/win32/registry_access.h"
#include "platform/win32/unicode.h"

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
    const std::wstring wideFile = Utf8ToWide(file);
    const std::wstring wideParameters = Utf8ToWide(parameters);
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(GetDesktopWindow(), L"open", wideFile.c_str(),
                                                                parameters.empty() ? nullptr : wideParameters.c_str(),
                                                                nullptr, SW_SHOWNORMAL));
    return result > 32;
}

IUrlBuilder& UrlBuilder() {
    static Win32LinkPlatform platform;  // lives as long as the builder: the whole process
    return GetUrlBuilder(TarvexProduct(), platform);
}

}  // namespace tarvex
