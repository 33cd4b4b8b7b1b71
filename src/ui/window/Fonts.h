// SPDX-License-Identifier: GPL-3.0-or-later
// The text styles of the window, as pixel sizes of the desktop's sans-serif so that they keep
// their proportions to the window's point measures whatever the screen's DPI setting.
#pragma once

#include <QFont>

namespace Fonts {

[[nodiscard]] inline QFont sans(int pixelSize, QFont::Weight weight)
{
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

/// The window's title ("Sapperly").
[[nodiscard]] inline QFont title3()
{
    return sans(20, QFont::ExtraBold);
}
/// The result banner's title.
[[nodiscard]] inline QFont headline()
{
    return sans(17, QFont::ExtraBold);
}
/// The result banner's statistics line.
[[nodiscard]] inline QFont footnote()
{
    return sans(13, QFont::Normal);
}
/// Button labels.
[[nodiscard]] inline QFont control(QFont::Weight weight = QFont::Normal)
{
    return sans(13, weight);
}

} // namespace Fonts
