#include "controls/band_gradient.h"

#include <algorithm>
#include <cmath>

#include "controls/overload_history.h"

namespace tarvex {
namespace {

int Channel(TColor color, int shift) {
    return static_cast<int>((color >> shift) & 0xFF);
}

}  // namespace

std::vector<GradientBand> BandGradient(const GradientRect& rect, TColor a, TColor b, int bands,
                                       GradientDirection direction) {
    const int n = std::max(bands, 1);
    double step[3];
    for (int c = 0; c < 3; ++c) step[c] = static_cast<double>(Channel(b, c * 8) - Channel(a, c * 8)) / n;
    const bool horizontal = direction == GradientDirection::LeftToRight;
    const int start = horizontal ? rect.Left : rect.Top;
    const int end = horizontal ? rect.Right : rect.Bottom;
    const double bandSize = static_cast<double>(end - start) / n;
    std::vector<GradientBand> result;
    result.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        TColor color = 0;
        for (int c = 0; c < 3; ++c) {
            const int value = Channel(a, c * 8) + RoundHalfEven(i * step[c]);
            color |= static_cast<TColor>(value & 0xFF) << (c * 8);
        }
        const int from = start + RoundHalfEven(i * bandSize);
        const int to = std::min(from + static_cast<int>(std::trunc(bandSize)) + 1, end);
        GradientBand band{rect, color};
        if (horizontal) {
            band.Area.Left = from;
            band.Area.Right = to;
        } else {
            band.Area.Top = from;
            band.Area.Bottom = to;
        }
        result.push_back(band);
    }
    return result;
}

std::vector<GradientBand> ShaderBands(const GradientRect& client, const ShaderColors& colors, bool leftToRight,
                                      const std::function<TColor(TColor)>& toRgb) {
    if (colors.From == kClNone) return {};
    const auto direction = leftToRight ? GradientDirection::LeftToRight : GradientDirection::TopToBottom;
    const auto rgb = [&toRgb](TColor color) { return (toRgb ? toRgb(color) : color) & 0xFFFFFF; };
    if (colors.FromMirror == kClNone)
        return BandGradient(client, rgb(colors.From), rgb(colors.To), kShaderBands, direction);
    GradientRect first = client;
    GradientRect second = client;
    if (leftToRight) {
        first.Right = second.Left = client.Left + (client.Right - client.Left) / 2;
    } else {
        first.Bottom = second.Top = client.Top + (client.Bottom - client.Top) / 2;
    }
    auto bands = BandGradient(first, rgb(colors.From), rgb(colors.To), kShaderBands, direction);
    const auto mirror = BandGradient(second, rgb(colors.FromMirror), rgb(colors.ToMirror), kShaderBands, direction);
    bands.insert(bands.end(), mirror.begin(), mirror.end());
    return bands;
}

std::string ComponentVersionText(std::uint32_t version) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        if (!text.empty()) text += '.';
        text += std::to_string((version >> shift) & 0xFF);
    }
    return text;
}

}  // namespace tarvex
