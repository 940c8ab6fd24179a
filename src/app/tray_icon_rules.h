#pragma once
// What the notification-area icon hands to the shell: its tooltip and its balloons, cut
// to the fixed text fields of the shell's icon record (lengths in UTF-16 units, without
// the terminating zero).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex {

inline constexpr std::size_t kTrayTipMaxLength = 127;
inline constexpr std::size_t kBalloonTextMaxLength = 255;
inline constexpr std::size_t kBalloonTitleMaxLength = 63;

// Balloon icon kinds; the numbers are the shell's own (NIIF_NONE ... NIIF_USER).
enum class BalloonIcon : std::uint32_t { None = 0, Info = 1, Warning = 2, Error = 3, User = 4 };

struct BalloonContent {
    std::u16string Title;
    std::u16string Text;
    std::uint32_t TimeoutMs = 0;
    BalloonIcon Icon = BalloonIcon::None;
};

// At most maxLength units of text; a surrogate pair that would be split is left out whole.
std::u16string CutUtf16(std::u16string_view text, std::size_t maxLength);

// The tooltip: the hint cut to kTrayTipMaxLength when it is non-empty and shown, else empty.
std::u16string TrayTooltip(std::u16string_view hint, bool showHint);

// A balloon request: texts cut to their fields, the time-out in milliseconds (negative
// seconds give 0, huge ones the largest whole second that fits), and the icon kind 0 to 4
// (any other kind shows no icon).
BalloonContent MakeBalloon(std::u16string_view title, std::u16string_view text, int iconKind, int timeoutSeconds);

}  // namespace tarvex
