// SPDX-License-Identifier: GPL-3.0-or-later
// The window's dark look, whatever the desktop's theme: the Fusion style with a palette made of
// the window's own colours and the accent as the tint of its controls.
#pragma once

class QIcon;
class QPalette;

[[nodiscard]] QPalette darkWindowPalette();
/// The program's icon, from the SVG built into it; empty without Qt's SVG plugins.
[[nodiscard]] QIcon applicationIcon();
/// Sets the style, palette and window icon of the whole application; call once the
/// QApplication exists.
void applyWindowTheme();
