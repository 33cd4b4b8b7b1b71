// SPDX-License-Identifier: GPL-3.0-or-later
// The board as assistive technology sees it: a table of rows × columns whose cells are named
// after what a square shows, with the keyboard's current square holding the focus. The
// surface reports its changes here, and they go out as accessibility events only while a
// listener is active.
#pragma once

#include "model/Board.h"
#include "model/Point.h"

#include <QString>

#include <optional>

class BoardSurface;

namespace BoardAccessible {

/// Registers the interface factory for board surfaces; later calls do nothing.
void install();

/// "covered", "flag", "question mark", "empty", the count, "mine", "exploded mine" or
/// "wrong flag".
[[nodiscard]] QString squareName(const Board& board, Point square);

/// The current square moved from one square (nothing when the surface just took the focus)
/// to another.
void focusMoved(BoardSurface& surface, std::optional<Point> from, Point square);
/// Announces squares whose name changed, or a new table when the board's size changed.
void boardChanged(BoardSurface& surface, const Board& before, const Board& after);

} // namespace BoardAccessible
