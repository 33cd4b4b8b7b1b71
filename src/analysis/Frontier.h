// SPDX-License-Identifier: GPL-3.0-or-later
// The covered squares a position's numbers say something about, sorted into the pieces the
// solver counts separately: squares that touch exactly the same numbers are interchangeable
// (a group), and groups that share no number, not even through others, are independent (a
// component).
#pragma once

#include "analysis/Position.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct Frontier {
    struct Group {
        /// Row-major indices of the squares, ascending.
        std::vector<std::int64_t> squares;
        std::vector<std::size_t> constraints;
    };
    /// An uncovered number: exactly target mines among the squares of its groups.
    struct Constraint {
        std::int64_t target = 0;
        std::vector<std::size_t> groups;
    };
    struct Component {
        std::vector<std::size_t> groups;
        std::vector<std::size_t> constraints;
    };

    std::vector<Group> groups;
    std::vector<Constraint> constraints;
    std::vector<Component> components;
    /// Covered squares next to no number.
    std::vector<std::int64_t> unconstrained;
    /// A number no layout can satisfy on its own, such as a 3 beside two covered squares.
    bool contradictory = false;
};

/// The position must have columns × rows squares.
[[nodiscard]] Frontier frontierOf(const Position& position);
