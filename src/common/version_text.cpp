#include "common/version_text.h"

namespace tarvex {

std::string VersionText(const std::optional<FileVersion>& version) {
    if (!version) return {};
    std::string text = std::to_string(version->Major) + "." + std::to_string(version->Minor) +
                       std::to_string(version->Release);
    // The letters start at "c": "a" and "b" were never used for builds.
    if (const int step = version->Build % 10; step != 0) text += static_cast<char>('b' + step);
    return text;
}

std::string FullVersionText(const std::optional<FileVersion>& version) {
    if (!version) return {};
    return std::to_string(version->Major) + "." + std::to_string(version->Minor) + "." +
           std::to_string(version->Release) + "." + std::to_string(version->Build);
}

std::string MajorVersionText(const std::optional<FileVersion>& version) {
    return version ? std::to_string(version->Major) : std::string();
}

}  // namespace tarvex
