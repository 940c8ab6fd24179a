#pragma once
// The program's two painted panels:
// - TQmShader (class "TQmShader"): a two-colour band gradient, optionally in two mirrored
//   halves (controls/band_gradient.h), with its caption on one line.
// - TQmHeader (class "TQmHeader"): a title area painted from the program's "QM_PICTURES"
//   resources: a colour strip, a background picture, a tiled texture and a shadow line. The
//   pictures are decoded when a property is set, never at paint.
#include <windows.h>

#include <cstdint>
#include <string>

#include "controls/band_gradient.h"
#include "controls/win32/panel_frame.h"
#include "platform/win32/pictures.h"
#include "platform/win32/window.h"

namespace tarvex {

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

class TQmShader : public Window {
public:
    static constexpr wchar_t kClassName[] = L"TQmShader";

    ~TQmShader() override;

    // Creates the child window; position and size in pixels.
    void Create(HWND parent, int controlId, int x, int y, int width, int height);

    TColor FromColor() const { return colors_.From; }
    void SetFromColor(TColor color);
    TColor ToColor() const { return colors_.To; }
    void SetToColor(TColor color);
    TColor FromColorMirror() const { return colors_.FromMirror; }
    void SetFromColorMirror(TColor color);
    TColor ToColorMirror() const { return colors_.ToMirror; }
    void SetToColorMirror(TColor color);
    // Stored only: the gradient always has 128 bands.
    std::uint16_t Steps() const { return steps_; }
    void SetSteps(std::uint16_t steps);
    // false: top to bottom; true: left to right.
    bool Direction() const { return direction_; }
    void SetDirection(bool leftToRight);
    // "1.4.0.0"; there is nothing to set.
    std::string Version() const { return ComponentVersionText(VersionNumber()); }
    virtual std::uint32_t VersionNumber() const { return 0x01040000; }

    // The caption (UTF-8), also the window text.
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    // The panel's background where no gradient is drawn.
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color);

    // Paints the panel into a DC whose origin is its client origin; a panel that shows more
    // over its gradient paints that after this.
    virtual void PaintTo(HDC dc);

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    template <typename T>
    void Change(T& field, T value);
    RECT ClientRect() const;

    ShaderColors colors_;
    std::string caption_;
    std::uint16_t steps_ = 20;
    bool direction_ = false;
    TAlignment alignment_ = TAlignment::taCenter;
    TColor color_ = kClSystemColor | COLOR_BTNFACE;
    TColor fontColor_ = kClSystemColor | COLOR_BTNTEXT;
};

enum class THeaderStyle { hsNone, hsDarkBlue, hsLightBlue, hsVelmar };
enum class THeaderBackgroundStyle { hbsNone, hbsStripes1, hbsStripes2, hbsLines, hbsCurves, hbsWaves };
enum class THeaderTexture {
    htNone,
    htGeometric,
    htGrain,
    htGrid,
    htGrid2,
    htGrid3,
    htLines,
    htStripes,
    htPaper,
    htSquare,
    htDot,
    htMetal
};
enum class THeaderSeparator { hspNone, hspShadow };

// The resource name of each property value's picture, or null for none.
const wchar_t* HeaderPictureName(THeaderStyle style);
const wchar_t* HeaderPictureName(THeaderBackgroundStyle style);
const wchar_t* HeaderPictureName(THeaderTexture texture);
const wchar_t* HeaderPictureName(THeaderSeparator separator);

class TQmHeader : public Window {
public:
    static constexpr wchar_t kClassName[] = L"TQmHeader";

    // Loads the pictures of the initial properties: hsDarkBlue, hbsStripes1, htNone, hspShadow.
    TQmHeader();
    ~TQmHeader() override;

    // Creates the child window; position and size in pixels.
    void Create(HWND parent, int controlId, int x, int y, int width, int height);

    THeaderStyle Style() const { return style_; }
    void SetStyle(THeaderStyle style);
    THeaderBackgroundStyle BackgroundStyle() const { return backgroundStyle_; }
    void SetBackgroundStyle(THeaderBackgroundStyle style);
    THeaderTexture HeaderTexture() const { return texture_; }
    void SetHeaderTexture(THeaderTexture texture);
    THeaderSeparator HeaderSeparator() const { return separator_; }
    void SetHeaderSeparator(THeaderSeparator separator);

    const Picture& StripPicture() const { return strip_; }
    const Picture& BackgroundPicture() const { return background_; }
    const Picture& TexturePicture() const { return texturePicture_; }
    const Picture& SeparatorPicture() const { return separatorPicture_; }
    // The strip's top-left pixel: the colour above the strip.
    COLORREF FillColor() const { return fillColor_; }

    // Paints the panel into a DC whose origin is its client origin.
    void PaintTo(HDC dc);

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Repaint();
    RECT ClientRect() const;

    THeaderStyle style_ = THeaderStyle::hsNone;
    THeaderBackgroundStyle backgroundStyle_ = THeaderBackgroundStyle::hbsNone;
    THeaderTexture texture_ = THeaderTexture::htNone;
    THeaderSeparator separator_ = THeaderSeparator::hspNone;
    Picture strip_;
    Picture background_;
    Picture texturePicture_;
    Picture separatorPicture_;
    COLORREF fillColor_ = 0;
};

}  // namespace tarvex
