#include "controls/qm_style.h"

#include <utility>
#include <vector>

namespace tarvex {

TQmStyle& TQmStyle::Instance() {
    static TQmStyle instance;
    return instance;
}

void TQmStyle::RegisterListener(const void* listener, TQmStyleHandler handler) {
    listeners_[listener] = std::move(handler);
}

void TQmStyle::UnregisterListener(const void* listener) {
    listeners_.erase(listener);
}

void TQmStyle::NotifyListeners() {
    // Handlers may change the registry (a label destroyed by another's handler), so walk a
    // snapshot of the listeners and look each one up again before calling it.
    std::vector<const void*> snapshot;
    snapshot.reserve(listeners_.size());
    for (const auto& entry : listeners_) snapshot.push_back(entry.first);
    for (const void* listener : snapshot) {
        const auto found = listeners_.find(listener);
        if (found == listeners_.end() || !found->second) continue;
        const TQmStyleHandler handler = found->second;  // a copy: the handler may replace itself
        handler(*this);
    }
}

namespace {

void SetFont(FontSpec& font, TColor color, int size, TFontStyles style, const std::string& name) {
    font.Color = color;
    font.Size = size;
    font.Style = style;
    font.Name = name;
}

}  // namespace

void ApplyLabelType(TQmLabelType type, const TQmStyle& style, FontSpec& font) {
    switch (type) {
        case TQmLabelType::ltCustom:
            break;
        case TQmLabelType::ltNormal:
            SetFont(font, style.NormalFontColor, style.NormalFontSize, style.NormalFontStyle, style.NormalFontName);
            break;
        case TQmLabelType::ltHighlight:
            SetFont(font, style.HighlightFontColor, style.HighlightFontSize, style.HighlightFontStyle,
                    style.HighlightFontName);
            break;
        case TQmLabelType::ltTitle:
            SetFont(font, style.TitleFontColor, style.TitleFontSize, style.TitleFontStyle, style.TitleFontName);
            break;
        case TQmLabelType::ltHeader:
            SetFont(font, style.HeaderFontColor, style.HeaderFontSize, style.HeaderFontStyle, style.HeaderFontName);
            break;
    }
}

}  // namespace tarvex
