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

Board::Neighbours Board::neighbours(std::int64_t x, std::int64_t y) const
{
    // The order is part of the rules: flood fill and chords visit squares in it.
    static constexpr std::array<std::array<std::int64_t, 2>, 8> offsets { {
        { -1, -1 },
        { 0, -1 },
        { 1, -1 },
        { -1, 0 },
        { 1, 0 },
        { -1, 1 },
        { 0, 1 },
        { 1, 1 },
    } };
    Neighbours result;
    // A point further out than one square has no neighbours inside, and returning early keeps
    // x + dx from overflowing for extreme coordinates.
    if (x < -1 || y < -1 || x > columns() || y > rows())
        return result;
    for (const auto& [dx, dy] : offsets) {
        const std::int64_t nx = x + dx;
        const std::int64_t ny = y + dy;
        if (isInside(nx, ny))
            result.points[result.count++] = Point { nx, ny };
    }
    return result;
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
