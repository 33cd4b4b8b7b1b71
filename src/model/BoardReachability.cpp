// SPDX-License-Identifier: GPL-3.0-or-later
// What the rules can and cannot produce, checked on every board read from storage. Each refusal
// names a board no sequence of moves reaches; anything a real game can leave behind, however
// odd (marks before the first uncovering, wrong flags after a loss, a win on the first
// uncovering), passes.
#include "model/Board.h"

#include <algorithm>

namespace {

struct Tally {
    std::int64_t mines = 0;
    std::int64_t revealedSafe = 0;
    std::int64_t revealedMines = 0;
    std::int64_t flags = 0;
};

std::int64_t minesAround(const Board& board, std::int64_t x, std::int64_t y)
{
    const Board::Neighbours around = board.neighbours(x, y);
    return std::count_if(around.begin(), around.end(),
        [&board](const Point& p) { return board.cellAt(p.x, p.y).isMine; });
}

/// Each square on its own, and the tally of all of them; false as soon as one square is wrong.
bool tallySquares(const Board& board, Tally& tally)
{
    for (std::int64_t y = 0; y < board.rows(); ++y) {
        for (std::int64_t x = 0; x < board.columns(); ++x) {
            const Cell& cell = board.cellAt(x, y);
            if (cell.adjacent < 0 || cell.adjacent > 8)
                return false;
            // Numbers are set when mines are laid; a safe square's number is its mines.
            if (!cell.isMine && cell.adjacent != (board.minesLaid ? minesAround(board, x, y) : 0))
                return false;
            tally.mines += cell.isMine ? 1 : 0;
            tally.revealedSafe += cell.isRevealed && !cell.isMine ? 1 : 0;
            tally.revealedMines += cell.isRevealed && cell.isMine ? 1 : 0;
            tally.flags += cell.mark == Mark::flag ? 1 : 0;
        }
    }
    return true;
}

bool phaseAgrees(const Board& board, const Tally& tally)
{
    const std::int64_t safeSquares = static_cast<std::int64_t>(board.cells.size()) - tally.mines;
    switch (board.phase) {
    case Board::Phase::ready:
        // Marking starts a game; uncovering lays mines and starts it too.
        return !board.minesLaid && tally.revealedSafe == 0;
    case Board::Phase::playing:
        // Uncovering every safe square wins, uncovering a mine loses.
        return tally.revealedMines == 0 &&
            (board.minesLaid ? tally.revealedSafe < safeSquares : tally.revealedSafe == 0);
    case Board::Phase::won:
        return board.minesLaid && tally.revealedMines == 0 && tally.revealedSafe == safeSquares;
    case Board::Phase::lost: {
        // The loss uncovers every mine, the one that went off among them.
        if (!board.minesLaid || !board.exploded || tally.revealedMines != tally.mines)
            return false;
        const Point p = *board.exploded;
        return board.isInside(p.x, p.y) && board.cellAt(p.x, p.y).isMine;
    }
    }
    return false;
}

} // namespace

bool Board::isReachable() const
{
    if (!hasConsistentSize())
        return false;
    Tally tally;
    if (!tallySquares(*this, tally))
        return false;
    // Mines are laid all at once, and exactly the size's count fits on every size.
    if (tally.mines != (minesLaid ? ::mines(difficulty) : 0))
        return false;
    if (revealedCount != tally.revealedSafe || flagCount != tally.flags)
        return false;
    if (exploded && phase != Phase::lost)
        return false;
    return phaseAgrees(*this, tally);
}
