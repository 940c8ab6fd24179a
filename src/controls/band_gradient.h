#pragma once
// The band gradient of the shader panel (TQmShader): a rectangle split into N bands, each one
// colour further from the start colour towards the end colour, and the panel's split into two
// mirrored halves. Colours are stored values ($00BBGGRR); the caller turns system colours into
// RGB values first (ToRgb).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controls/html_parser.h"

namespace tarvex {

struct GradientRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;  // exclusive
    int Bottom = 0;
    bool operator==(const GradientRect&) const = default;
};

struct GradientBand {
    GradientRect Area;
    TColor Color = 0;  // $00BBGGRR
};

enum class GradientDirection { TopToBottom, LeftToRight };

// The bands of one gradient from a to b (RGB values). A band count below 1 counts as 1.
std::vector<GradientBand> BandGradient(const GradientRect& rect, TColor a, TColor b, int bands,
                                       GradientDirection direction);

struct ShaderColors {
    TColor From = kClBlue;
    TColor To = kClBlack;
    TColor FromMirror = kClNone;
    TColor ToMirror = kClNone;
};

inline constexpr int kShaderBands = 128;

// The bands the shader paints into its client rectangle: none when From is clNone, one
// gradient without a mirror colour, else the first half from From to To and the second from
// FromMirror to ToMirror. `toRgb` turns a colour into its RGB value (system colours); clNone
// keeps its low bytes, which makes it white.
std::vector<GradientBand> ShaderBands(const GradientRect& client, const ShaderColors& colors, bool leftToRight,
                                      const std::function<TColor(TColor)>& toRgb);

// A component version number printed from its highest byte to its lowest: $01040000 is "1.4.0.0".
std::string ComponentVersionText(std::uint32_t version);

}  // namespace tarvex
