#pragma once
// Both windows are laid out in twips (1/1440 inch) from the top-left corner of
// their client area; 15 twips make one pixel at 96 dpi. Both are fixed-size
// top-level windows with a title bar and a close control, and no minimize or
// maximize control.

#include <QWidget>

namespace twips {

inline constexpr int kTwipsPerPixel = 15;
constexpr int px(int twips) {
    return twips / kTwipsPerPixel;
}

struct Place {
    int left, top, width, height; // twips
};

inline void place(QWidget* widget, const Place& p) {
    widget->setGeometry(px(p.left), px(p.top), px(p.width), px(p.height));
}

inline constexpr Qt::WindowFlags kFixedWindowFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowCloseButtonHint;

} // namespace twips
