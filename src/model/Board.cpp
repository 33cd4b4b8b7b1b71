// SPDX-License-Identifier: GPL-3.0-or-later
// A board's construction, geometry and the raw values of its phase. The rules that change a
// board live in BoardRules.cpp.
#include "model/Board.h"

Board Board::fresh(Difficulty difficulty)
{
    Board board;
    board.difficulty = difficulty;
    board.cells.assign(
        static_cast<std::size_t>(::columns(difficulty) * ::rows(difficulty)), Cell {});
    return board;
}

bool Board::isInside(std::int64_t x, std::int64_t y) const
{
    return x >= 0 && x < columns() && y >= 0 && y < rows();
}

bool Board::hasConsistentSize() const
{
    return cells.size() == static_cast<std::size_t>(columns() * rows());
}

std::string_view rawValue(Board::Phase phase)
{
    switch (phase) {
    case Board::Phase::ready:
        return "ready";
    case Board::Phase::playing:
        return "playing";
    case Board::Phase::won:
        return "won";
    case Board::Phase::lost:
        return "lost";
    }
    return "ready";
}

std::optional<Board::Phase> phaseFromRaw(std::string_view raw)
{
    for (const Board::Phase phase :
        { Board::Phase::ready, Board::Phase::playing, Board::Phase::won, Board::Phase::lost }) {
        if (rawValue(phase) == raw)
            return phase;
    }
    return std::nullopt;
}
