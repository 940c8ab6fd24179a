#pragma once
// The process-wide style object that supplies the font presets of the labels (LabelType), and
// its listener registry: labels register on creation, unregister on destruction and re-apply
// their preset when NotifyListeners runs. User-interface thread only.
#include <functional>
#include <map>
#include <string>

#include "controls/html_parser.h"

namespace tarvex {

class TQmStyle;

// A listener's handler receives the style object as the sender.
using TQmStyleHandler = std::function<void(TQmStyle& sender)>;

class TQmStyle {
public:
    // The one instance: created on first use, lives until the process ends.
    static TQmStyle& Instance();

    TQmStyle(const TQmStyle&) = delete;
    TQmStyle& operator=(const TQmStyle&) = delete;

    TColor NormalFontColor = kClBlack;
    int NormalFontSize = 9;
    TFontStyles NormalFontStyle;
    std::string NormalFontName = "Tahoma";
    TColor TitleFontColor = kClWhite;
    int TitleFontSize = 12;
    TFontStyles TitleFontStyle = TFontStyle::fsBold;
    std::string TitleFontName = "Tahoma";
    TColor HighlightFontColor = 0xF9D3AE;
    int HighlightFontSize = 9;
    TFontStyles HighlightFontStyle;
    std::string HighlightFontName = "Tahoma";
    TColor HeaderFontColor = 0xC77A3D;
    int HeaderFontSize = 13;
    TFontStyles HeaderFontStyle;
    std::string HeaderFontName = "Calibri";
    TColor PageControlGradientBegin = 0xE5AB48;
    TColor PageControlGradientEnd = 0xB28831;

    // Adds the listener, or replaces its handler when it is registered already.
    void RegisterListener(const void* listener, TQmStyleHandler handler);
    // Removes the listener; an unknown one is ignored.
    void UnregisterListener(const void* listener);
    // Calls every registered handler once. Handlers may register or unregister listeners:
    // a listener removed before its turn is not called, one added meanwhile waits for the next call.
    void NotifyListeners();

    bool IsRegistered(const void* listener) const { return listeners_.contains(listener); }
    std::size_t ListenerCount() const { return listeners_.size(); }

private:
    TQmStyle() = default;

    std::map<const void*, TQmStyleHandler> listeners_;
};

enum class TQmLabelType { ltCustom, ltNormal, ltHighlight, ltTitle, ltHeader };

// Applies a label preset to the font: colour, size, style and face, in that order.
// ltCustom leaves the font alone.
void ApplyLabelType(TQmLabelType type, const TQmStyle& style, FontSpec& font);

}  // namespace tarvex
