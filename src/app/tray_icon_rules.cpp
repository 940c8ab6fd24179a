#include "app/tray_icon_rules.h"

#include <algorithm>
#include <limits>

namespace tarvex {
namespace {

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

}  // namespace

std::u16string CutUtf16(std::u16string_view text, std::size_t maxLength) {
    if (text.size() <= maxLength) return std::u16string(text);
    std::size_t length = maxLength;
    // The shell would show half a character as garbage.
    if (length > 0 && IsHighSurrogate(text[length - 1])) --length;
    return std::u16string(text.substr(0, length));
}

std::u16string TrayTooltip(std::u16string_view hint, bool showHint) {
    if (hint.empty() || !showHint) return {};
    return CutUtf16(hint, kTrayTipMaxLength);
}

BalloonContent MakeBalloon(std::u16string_view title, std::u16string_view text, int iconKind, int timeoutSeconds) {
    constexpr std::int64_t kMaxSeconds = std::numeric_limits<std::uint32_t>::max() / 1000;
    BalloonContent balloon;
    balloon.Title = CutUtf16(title, kBalloonTitleMaxLength);
    balloon.Text = CutUtf16(text, kBalloonTextMaxLength);
    balloon.TimeoutMs = static_cast<std::uint32_t>(std::clamp<std::int64_t>(timeoutSeconds, 0, kMaxSeconds) * 1000);
    balloon.Icon = iconKind >= 0 && iconKind <= 4 ? static_cast<BalloonIcon>(iconKind) : BalloonIcon::None;
    return balloon;
}

}  // namespace tarvex
