#pragma once
// The program's version as the caption, the About page and the web links show it.
#include <cstdint>
#include <optional>
#include <string>

namespace tarvex {

struct FileVersion {
    std::uint16_t Major = 0;
    std::uint16_t Minor = 0;
    std::uint16_t Release = 0;
    std::uint16_t Build = 0;
};

// "2.01" for 2.0.1.70, "2.01e" for 2.0.1.73: major "." minor release, then a letter
// "c".."k" for build mod 10 of 1..9. Without version information the text is empty.
std::string VersionText(const std::optional<FileVersion>& version);
// "2.0.1.70"; empty without version information.
std::string FullVersionText(const std::optional<FileVersion>& version);
// "2"; empty without version information.
std::string MajorVersionText(const std::optional<FileVersion>& version);

}  // namespace tarvex
