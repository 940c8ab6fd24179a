#include "controls/qm_style.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvex {
namespace {

TEST(QmStyleTest, SharedInstanceStartsWithThePresets) {
    TQmStyle& style = TQmStyle::Instance();
    EXPECT_EQ(&style, &TQmStyle::Instance());
    struct Case {
        TQmLabelType Type;
        FontSpec Font;
    };
    const Case cases[] = {
        {TQmLabelType::ltNormal, {"Tahoma", 0x000000, 9, {}}},
        {TQmLabelType::ltTitle, {"Tahoma", 0xFFFFFF, 12, TFontStyle::fsBold}},
        {TQmLabelType::ltHighlight, {"Tahoma", 0xF9D3AE, 9, {}}},
        {TQmLabelType::ltHeader, {"Calibri", 0xC77A3D, 13, {}}},
    };
    for (const auto& c : cases) {
        FontSpec font{"MS Shell Dlg 2", 0x123456, 8, TFontStyle::fsItalic};
        ApplyLabelType(c.Type, style, font);
        EXPECT_EQ(font, c.Font) << static_cast<int>(c.Type);
    }
    FontSpec custom{"MS Shell Dlg 2", 0x123456, 8, TFontStyle::fsItalic};
    ApplyLabelType(TQmLabelType::ltCustom, style, custom);
    EXPECT_EQ(custom, (FontSpec{"MS Shell Dlg 2", 0x123456, 8, TFontStyle::fsItalic}));
    EXPECT_EQ(style.PageControlGradientBegin, 0xE5AB48u);
    EXPECT_EQ(style.PageControlGradientEnd, 0xB28831u);
}

TEST(QmStyleTest, ListenerRegistry) {
    TQmStyle& style = TQmStyle::Instance();
    int first = 0;
    int second = 0;
    std::string calls;
    const TQmStyle* sender = nullptr;
    style.RegisterListener(&first, [&](TQmStyle& s) {
        calls += "first-old ";
        sender = &s;
    });
    style.RegisterListener(&first, [&](TQmStyle&) { calls += "first "; });  // replaces, one entry
    style.RegisterListener(&second, [&](TQmStyle& s) {
        calls += "second ";
        sender = &s;
    });
    EXPECT_TRUE(style.IsRegistered(&first));
    style.NotifyListeners();
    EXPECT_NE(calls.find("first "), std::string::npos);
    EXPECT_EQ(calls.find("first-old"), std::string::npos);
    EXPECT_NE(calls.find("second "), std::string::npos);
    EXPECT_EQ(calls.size(), std::string("first second ").size());
    EXPECT_EQ(sender, &style);

    int stranger = 0;
    const auto count = style.ListenerCount();
    style.UnregisterListener(&stranger);  // unknown: nothing happens
    EXPECT_EQ(style.ListenerCount(), count);

    // A handler that removes another listener before its turn: that one is not called.
    calls.clear();
    style.RegisterListener(&first, [&](TQmStyle& s) {
        calls += "first ";
        s.UnregisterListener(&second);
        s.UnregisterListener(&first);
    });
    style.RegisterListener(&second, [&](TQmStyle& s) {
        calls += "second ";
        s.UnregisterListener(&first);
        s.UnregisterListener(&second);
    });
    style.NotifyListeners();
    EXPECT_TRUE(calls == "first " || calls == "second ") << calls;
    EXPECT_FALSE(style.IsRegistered(&first));
    EXPECT_FALSE(style.IsRegistered(&second));
}

}  // namespace
}  // namespace tarvex
