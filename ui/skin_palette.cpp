#include "ui/skin_palette.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace {

struct RoleColour {
    QPalette::ColorRole role;
    QRgb colour;
};

// Text reads at 4.5:1 or better on every surface it is drawn on.
constexpr RoleColour kEnabledColours[] = {
    {QPalette::Window, 0xff1f2630},
    {QPalette::WindowText, 0xffe9eef3},
    {QPalette::Base, 0xff12171d},
    {QPalette::AlternateBase, 0xff1c232b},
    {QPalette::Text, 0xffe9eef3},
    {QPalette::PlaceholderText, 0xff8a97a6},
    {QPalette::Button, 0xff313c4a},
    {QPalette::ButtonText, 0xffe9eef3},
    {QPalette::BrightText, 0xffffffff},
    {QPalette::Highlight, kSkinAccent},
    {QPalette::HighlightedText, kSkinAccentInk},
    {QPalette::Link, kSkinLink},
    {QPalette::LinkVisited, kSkinLinkVisited},
    {QPalette::ToolTipBase, 0xff27313d},
    {QPalette::ToolTipText, 0xfff4f6f8},
    {QPalette::Light, 0xff4a5868},
    {QPalette::Midlight, 0xff3b4756},
    {QPalette::Mid, 0xff2b3541},
    {QPalette::Dark, 0xff0d1116},
    {QPalette::Shadow, 0xff05070a},
};

// Disabled text stays readable (3:1 or better) and plainly dimmer than
// enabled text; nothing disabled shows the accent.
constexpr RoleColour kDisabledColours[] = {
    {QPalette::Window, 0xff1f2630},
    {QPalette::WindowText, 0xff76828f},
    {QPalette::Base, 0xff171c23},
    {QPalette::Text, 0xff76828f},
    {QPalette::Button, 0xff262e38},
    {QPalette::ButtonText, 0xff76828f},
    {QPalette::Highlight, 0xff3b4756},
    {QPalette::HighlightedText, 0xffb7c0ca},
    {QPalette::PlaceholderText, 0xff5f6a76},
};

} // namespace

QPalette SkinPalette(QPalette palette) {
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (const RoleColour& entry : kEnabledColours) {
            palette.setColor(group, entry.role, QColor::fromRgb(entry.colour));
        }
    }
    for (const RoleColour& entry : kDisabledColours) {
        palette.setColor(QPalette::Disabled, entry.role, QColor::fromRgb(entry.colour));
    }
    return palette;
}

void ApplySkinLook(QApplication& application) {
    // Fusion draws every control from the palette, so the dark colours hold
    // whatever style the desktop would have chosen.
    if (QStyle* fusion = QStyleFactory::create("Fusion")) {
        QApplication::setStyle(fusion);
    }
    application.setPalette(SkinPalette(QApplication::style()->standardPalette()));
}
