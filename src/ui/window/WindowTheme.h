// The window's dark look, whatever the desktop's theme: the Fusion style with a palette made of
// the window's own colours and the accent as the tint of its controls.
#pragma once

class QPalette;

[[nodiscard]] QPalette darkWindowPalette();
/// Sets the style and palette of the whole application; call once the QApplication exists.
void applyWindowTheme();
