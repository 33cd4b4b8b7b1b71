// SPDX-License-Identifier: GPL-3.0-or-later
// Moves written as text, and boards written and read back, for the model's tests.
#pragma once

#include "TestBoards.h"

#include "model/BoardCoding.h"
#include "model/JsonRead.h"
#include "model/SequenceRandom.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

using Phase = Board::Phase;
using enum Difficulty;
inline constexpr auto lowest = std::numeric_limits<std::int64_t>::min();
inline constexpr auto highest = std::numeric_limits<std::int64_t>::max();

/// Reveals ('r'), toggles the mark ('m') or chords ('c') at x, y.
inline bool apply(Board& board, char act, std::int64_t x, std::int64_t y, RandomSource& random)
{
    return act == 'r' ? board.reveal(x, y, random)
        : act == 'm'  ? board.toggleMark(x, y)
                      : board.chord(x, y, random);
}

/// board after moves such as "r4,4 m0,0", each of which must succeed, or, with refused set, be
/// refused and change nothing.
inline Board play(Board board, const std::string& moves, bool refused = false)
{
    SequenceRandom random({});
    std::istringstream in(moves);
    char act = 0, comma = 0;
    for (std::int64_t x = 0, y = 0; in >> act >> x >> comma >> y;) {
        const Board before = board;
        EXPECT_TRUE(apply(board, act, x, y, random) != refused && (!refused || board == before))
            << act << x << "," << y;
    }
    return board;
}

inline std::string written(const Board& board)
{
    std::string text;
    return appendBoardJson(text, board), text;
}

inline std::optional<Board> read(const std::string& text)
{
    return decodeBoard(jsonread::parse(text).value());
}
