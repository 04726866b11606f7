#include "ui/skin_palette.h"

#include <QColor>

QPalette SkinPalette(QPalette palette) {
    const QColor field(0x12, 0x17, 0x1d);
    const QColor surface(0x27, 0x31, 0x3d);
    const QColor text(0xe9, 0xee, 0xf3);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Base, field);
        palette.setColor(group, QPalette::AlternateBase, surface);
        palette.setColor(group, QPalette::Window, surface);
        palette.setColor(group, QPalette::Button, surface);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::Highlight, QColor(0x22, 0xa5, 0x88));
        palette.setColor(group, QPalette::HighlightedText, QColor(0x0b, 0x1f, 0x1a));
        palette.setColor(group, QPalette::Light, QColor(0x43, 0x50, 0x5f));
        palette.setColor(group, QPalette::Midlight, QColor(0x36, 0x42, 0x50));
        palette.setColor(group, QPalette::Mid, QColor(0x2b, 0x35, 0x41));
        palette.setColor(group, QPalette::Dark, QColor(0x0d, 0x11, 0x16));
        palette.setColor(group, QPalette::Shadow, QColor(0x05, 0x07, 0x09));
        palette.setColor(group, QPalette::PlaceholderText, QColor(0x8a, 0x97, 0xa6));
    }
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x5f, 0x6a, 0x76));
    palette.setColor(QPalette::Disabled, QPalette::Base, field);
    return palette;
}
