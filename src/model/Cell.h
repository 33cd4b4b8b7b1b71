// SPDX-License-Identifier: GPL-3.0-or-later
// One square of the field.
#pragma once

#include "model/Mark.h"

#include <cstdint>

struct Cell {
    bool isMine = false;
    bool isRevealed = false;
    Mark mark = Mark::none;
    /// Mines among the eight neighbours; set when mines are laid, left 0 on mine squares.
    std::int64_t adjacent = 0;

    friend bool operator==(const Cell&, const Cell&) = default;
};
