// SPDX-License-Identifier: GPL-3.0-or-later
// Boards and generators built by hand for the model's tests.
#pragma once

#include "../support/TestBoards.h"

#include "model/Board.h"
#include "model/RandomSource.h"

#include <algorithm>
#include <random>

/// Ten beginner mines: eight filling the bottom-right corner and two on the top row around
/// (1, 0), so that (1, 1) shows 2 and (1, 0) is the one safe square no zero touches.
[[nodiscard]] Board chordBoard();

/// Gives every safe square the number of mines around it and mines 0, as laying them does.
void recount(Board& board);

/// A board of the right size whose every field is random, most of them far outside what the
/// rules produce (negative counts, extreme coordinates): for exercising the stored form.
[[nodiscard]] Board arbitraryBoard(std::mt19937_64& random);

/// How many squares of the board satisfy the predicate.
template <typename Predicate>
[[nodiscard]] std::int64_t countCells(const Board& board, Predicate predicate)
{
    return std::count_if(board.cells.begin(), board.cells.end(), predicate);
}
