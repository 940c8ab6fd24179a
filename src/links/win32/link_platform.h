#pragma once
// What the link builder needs of Windows: the program's version, the running Windows, the
// registry and the shell's "open".
#include "links/url_builder.h"

namespace tarvex {

class Win32LinkPlatform final : public LinkPlatform {
public:
    std::optional<FileVersion> ProgramFileVersion() override;
    OsVersionInfo OsVersion() override;
    std::unique_ptr<RegistryAccess> NewRegistryAccess() override;
    bool ShellOpen(std::string_view file, std::string_view parameters) override;
};

// The process's link builder over the Win32 platform.
IUrlBuilder& UrlBuilder();

}  // namespace tarvex
