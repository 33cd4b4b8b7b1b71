// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a board as the player saw it.
#include "analysis/Position.h"

#include "model/Board.h"

std::optional<Position> visiblePosition(const Board& board)
{
    if (!board.hasConsistentSize())
        return std::nullopt;
    Position position { board.columns(), board.rows(), mines(board.difficulty), {} };
    position.squares.reserve(board.cells.size());
    for (const Cell& cell : board.cells) {
        if (!cell.isRevealed) {
            position.squares.push_back(Position::covered);
            continue;
        }
        // A stored board from elsewhere may carry any count; such a square says nothing usable.
        if (cell.isMine || cell.adjacent < 0 || cell.adjacent > 8)
            return std::nullopt;
        position.squares.push_back(static_cast<std::int8_t>(cell.adjacent));
    }
    return position;
}
