#pragma once
// Deterministic stand-ins for the label's measuring surface and image list: every character
// advances a fixed number of pixels and a font's line height is twice its point size, so a
// 10-point title is taller than 8-point text. Header-only: the unit tests, the fuzzer and the
// benchmarks all include it.
#include <algorithm>
#include <string_view>

#include "controls/html_layout.h"

namespace tarvex::testing {

class FakeTextMeasurer : public TextMeasurer {
public:
    explicit FakeTextMeasurer(int advance = 1) : advance_(advance) {}

    static constexpr int kDefaultSize = 8;  // stands in for size 0 or less

    void SelectFont(const FontSpec& font) override {
        font_ = font;
        ++selectCount_;
    }
    int LineHeight() override {
        const int size = font_.Size > 0 ? std::min(font_.Size, 1000) : kDefaultSize;
        return size * 2;
    }
    TTextExtent Extent(std::string_view text) override { return {CharacterCount(text) * advance_, LineHeight()}; }
    bool IsAlphaNumeric(char32_t ch) const override {
        if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')) return true;
        // Beyond ASCII: letters of the Latin-1 and later blocks, except the general punctuation
        // block and the replacement character.
        return ch >= 0xC0 && ch != 0xD7 && ch != 0xF7 && !(ch >= 0x2000 && ch <= 0x206F) && ch != 0xFFFD;
    }

    const FontSpec& Font() const { return font_; }
    int SelectCount() const { return selectCount_; }

    // UTF-8 characters: every byte that does not continue a sequence starts one.
    static int CharacterCount(std::string_view text) {
        return static_cast<int>(std::count_if(text.begin(), text.end(),
                                              [](char c) { return (static_cast<unsigned char>(c) & 0xC0u) != 0x80u; }));
    }

private:
    int advance_;
    FontSpec font_;
    int selectCount_ = 0;
};

class FakeImageSource : public THtmlImageSource {
public:
    FakeImageSource(int width, int height, int count) : width_(width), height_(height), count_(count) {}
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    int Count() const override { return count_; }

private:
    int width_;
    int height_;
    int count_;
};

}  // namespace tarvex::testing
