// SPDX-License-Identifier: GPL-3.0-or-later
// The rules that change a board: uncovering, chords and marks, with mine laying, flood fill,
// the loss and the win they share.
#include "model/Board.h"
#include "model/RandomSource.h"

#include <algorithm>
#include <limits>

namespace {

/// A board read from another machine may be malformed; the rules index cells by coordinate and
/// step the counters, so they only run where neither can go wrong. Real counters never exceed
/// the cell count, so the generous bound only ever catches corrupt data.
bool isPlayable(const Board& board)
{
    constexpr std::int64_t counterBound = std::numeric_limits<std::int32_t>::max();
    return board.hasConsistentSize() && board.revealedCount >= -counterBound &&
        board.revealedCount <= counterBound && board.flagCount >= -counterBound &&
        board.flagCount <= counterBound;
}

} // namespace

bool Board::reveal(std::int64_t x, std::int64_t y, RandomSource& random)
{
    if (isOver() || !isInside(x, y) || !isPlayable(*this))
        return false;
    Cell& cell = mutableCellAt(x, y);
    if (cell.isRevealed || cell.mark == Mark::flag)
        return false;

    cell.mark = Mark::none;
    if (!minesLaid) {
        layMines(x, y, random);
        minesLaid = true;
    }
    phase = Phase::playing;
    if (cellAt(x, y).isMine) {
        explode(x, y);
    } else {
        floodReveal(x, y);
        checkForWin();
    }
    return true;
}

bool Board::chord(std::int64_t x, std::int64_t y, RandomSource& random)
{
    if (isOver() || !isInside(x, y) || !isPlayable(*this))
        return false;
    const Cell& cell = cellAt(x, y);
    if (!cell.isRevealed || cell.adjacent < 1)
        return false;

    const Neighbours around = neighbours(x, y);
    const auto flags = std::count_if(around.begin(), around.end(),
        [this](const Point& p) { return cellAt(p.x, p.y).mark == Mark::flag; });
    if (flags != cell.adjacent)
        return false;

    bool revealedAny = false;
    for (const Point& p : around) {
        // An earlier neighbour's flood may already have uncovered this one.
        const Cell& neighbour = cellAt(p.x, p.y);
        if (neighbour.isRevealed || neighbour.mark == Mark::flag)
            continue;
        revealedAny = reveal(p.x, p.y, random) || revealedAny;
        if (isOver())
            break;
    }
    return revealedAny;
}

bool Board::toggleMark(std::int64_t x, std::int64_t y)
{
    if (isOver() || !isInside(x, y) || !isPlayable(*this))
        return false;
    Cell& cell = mutableCellAt(x, y);
    if (cell.isRevealed)
        return false;

    switch (cell.mark) {
    case Mark::none:
        cell.mark = Mark::flag;
        ++flagCount;
        break;
    case Mark::flag:
        cell.mark = Mark::question;
        --flagCount;
        break;
    case Mark::question:
        cell.mark = Mark::none;
        break;
    }
    // Marking starts the game but lays no mines: the first uncovering must still be safe.
    if (phase == Phase::ready)
        phase = Phase::playing;
    return true;
}

void Board::layMines(std::int64_t x, std::int64_t y, RandomSource& random)
{
    // The excluded squares are the 3 × 3 block around the first square, clipped at the edges,
    // which is exactly the square and its neighbours. Candidates stay in row-major order.
    std::vector<Point> candidates;
    candidates.reserve(cells.size());
    for (std::int64_t py = 0; py < rows(); ++py) {
        for (std::int64_t px = 0; px < columns(); ++px) {
            const bool excluded = px >= x - 1 && px <= x + 1 && py >= y - 1 && py <= y + 1;
            if (!excluded)
                candidates.push_back(Point { px, py });
        }
    }

    // Fisher–Yates drawn from the front; the exact order is what a fixed sequence in tests pins.
    const std::size_t total = candidates.size();
    for (std::size_t p = 0; p + 1 < total; ++p) {
        const auto r = static_cast<std::size_t>(uniformBelow(random, total - p));
        std::swap(candidates[p], candidates[p + r]);
    }

    const std::size_t laid = std::min(total, static_cast<std::size_t>(mines(difficulty)));
    for (std::size_t i = 0; i < laid; ++i)
        mutableCellAt(candidates[i].x, candidates[i].y).isMine = true;

    // Counting outward from the mines gives every safe square the number of mines around it
    // with a fraction of the work of looking around every square. Counting needs no order, so
    // the clipped 3 × 3 block is walked directly. Every mine counts, including any a stored
    // board already carried.
    for (Cell& cell : cells) {
        if (!cell.isMine)
            cell.adjacent = 0;
    }
    const std::int64_t width = columns();
    const std::int64_t height = rows();
    for (std::int64_t my = 0; my < height; ++my) {
        const Cell* row = &cells[static_cast<std::size_t>(my * width)];
        for (std::int64_t mx = 0; mx < width; ++mx) {
            if (!row[mx].isMine)
                continue;
            for (std::int64_t ny = std::max<std::int64_t>(my - 1, 0);
                 ny <= std::min(my + 1, height - 1); ++ny) {
                for (std::int64_t nx = std::max<std::int64_t>(mx - 1, 0);
                     nx <= std::min(mx + 1, width - 1); ++nx) {
                    Cell& cell = mutableCellAt(nx, ny);
                    if (!cell.isMine)
                        ++cell.adjacent;
                }
            }
        }
    }
}

void Board::floodReveal(std::int64_t x, std::int64_t y)
{
    // An explicit stack: a recursive flood over an open expert board would run hundreds deep.
    const std::int64_t width = columns();
    const std::int64_t height = rows();
    std::vector<Point> stack;
    stack.reserve(cells.size());
    stack.push_back(Point { x, y });
    while (!stack.empty()) {
        const Point p = stack.back();
        stack.pop_back();
        Cell& cell = cells[static_cast<std::size_t>(p.y * width + p.x)];
        if (cell.isRevealed || cell.isMine || cell.mark == Mark::flag)
            continue;
        cell.isRevealed = true;
        cell.mark = Mark::none;
        ++revealedCount;
        if (cell.adjacent != 0)
            continue;
        // Pushed in the neighbours' fixed order, so the last of them is visited next; copies
        // of a square pushed twice are skipped when popped. The walk is spelled out rather
        // than built with neighbours(): this loop runs for every square a flood opens.
        for (std::int64_t ny = p.y - 1; ny <= p.y + 1; ++ny) {
            if (ny < 0 || ny >= height)
                continue;
            for (std::int64_t nx = p.x - 1; nx <= p.x + 1; ++nx) {
                if ((nx == p.x && ny == p.y) || nx < 0 || nx >= width)
                    continue;
                if (!cells[static_cast<std::size_t>(ny * width + nx)].isRevealed)
                    stack.push_back(Point { nx, ny });
            }
        }
    }
}

void Board::explode(std::int64_t x, std::int64_t y)
{
    phase = Phase::lost;
    exploded = Point { x, y };
    // Marks stay as they were, so wrong flags on safe squares can still be shown as wrong.
    for (Cell& cell : cells) {
        if (cell.isMine)
            cell.isRevealed = true;
    }
}

void Board::checkForWin()
{
    if (revealedCount != static_cast<std::int64_t>(cells.size()) - mines(difficulty))
        return;
    phase = Phase::won;
    for (Cell& cell : cells) {
        if (cell.isMine && cell.mark != Mark::flag) {
            cell.mark = Mark::flag;
            ++flagCount;
        }
    }
}
