#include "ui/Looks.h"

#include <QApplication>
#include <QColor>
#include <QStyleFactory>

namespace velmora {

namespace {

struct Scheme {
    QColor window, base, alternate, text, button, highlight, highlightedText, mid;
};

Scheme SchemeOf(int lookId) {
    switch (lookId) {
        case 215:  // blue
            return {QColor(0xd5, 0xe4, 0xf2), QColor(0xff, 0xff, 0xff), QColor(0xe8, 0xf0, 0xfa), QColor(0x15, 0x42, 0x8b),
                    QColor(0xc2, 0xd8, 0xf0), QColor(0x3d, 0x7b, 0xd0), QColor(0xff, 0xff, 0xff), QColor(0x8d, 0xb2, 0xe3)};
        case 217:  // silver
            return {QColor(0xe6, 0xe8, 0xec), QColor(0xff, 0xff, 0xff), QColor(0xf2, 0xf3, 0xf5), QColor(0x2b, 0x2f, 0x36),
                    QColor(0xd9, 0xdc, 0xe2), QColor(0x6f, 0x7e, 0x95), QColor(0xff, 0xff, 0xff), QColor(0xa9, 0xb0, 0xbb)};
        case 218:  // aqua
            return {QColor(0xd8, 0xee, 0xec), QColor(0xff, 0xff, 0xff), QColor(0xe9, 0xf6, 0xf5), QColor(0x0e, 0x4b, 0x4a),
                    QColor(0xc0, 0xe3, 0xe0), QColor(0x1f, 0x9a, 0x94), QColor(0xff, 0xff, 0xff), QColor(0x7f, 0xc4, 0xbf)};
        default:  // 216, black: dark frame, light work areas
            return {QColor(0x3b, 0x3f, 0x46), QColor(0xfb, 0xfb, 0xfb), QColor(0xee, 0xef, 0xf1), QColor(0xf0, 0xf0, 0xf0),
                    QColor(0x4a, 0x4f, 0x58), QColor(0xe8, 0x9a, 0x2c), QColor(0x1b, 0x1b, 0x1b), QColor(0x6a, 0x70, 0x7a)};
    }
}

}  // namespace

bool IsLook(int id) {
    for (const Look& look : kLooks)
        if (look.id == id) return true;
    return false;
}

QPalette PaletteOf(int lookId) {
    const Scheme s = SchemeOf(IsLook(lookId) ? lookId : kDefaultLook);
    QPalette p;
    p.setColor(QPalette::Window, s.window);
    p.setColor(QPalette::WindowText, s.text);
    p.setColor(QPalette::Base, s.base);
    p.setColor(QPalette::AlternateBase, s.alternate);
    // Text typed into white fields stays dark whatever the frame's colour.
    p.setColor(QPalette::Text, QColor(0x10, 0x10, 0x10));
    p.setColor(QPalette::Button, s.button);
    p.setColor(QPalette::ButtonText, s.text);
    p.setColor(QPalette::Highlight, s.highlight);
    p.setColor(QPalette::HighlightedText, s.highlightedText);
    p.setColor(QPalette::Mid, s.mid);
    p.setColor(QPalette::ToolTipBase, QColor(0xff, 0xff, 0xe1));
    p.setColor(QPalette::ToolTipText, QColor(0x10, 0x10, 0x10));
    p.setColor(QPalette::PlaceholderText, s.mid);
    p.setColor(QPalette::Disabled, QPalette::WindowText, s.mid);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, s.mid);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x90, 0x90, 0x90));
    return p;
}

void ApplyLook(int lookId) {
    static bool styled = false;
    if (!styled) {
        if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
        styled = true;
    }
    QApplication::setPalette(PaletteOf(lookId));
}

}  // namespace velmora
