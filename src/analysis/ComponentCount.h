// SPDX-License-Identifier: GPL-3.0-or-later
// Counting the layouts of one component of the frontier by backtracking, within a budget of
// search steps, so that a position too tangled to finish gives up in bounded time.
#pragma once

#include "analysis/Frontier.h"
#include "analysis/Weight.h"

#include <cstdint>
#include <optional>
#include <vector>

struct ComponentCount {
    /// [k]: layouts of the component's squares with exactly k mines that satisfy its numbers.
    std::vector<Weight> layouts;
    /// [k × groups + g]: of those, the layouts with one given square of the component's g-th
    /// group mined (the same for every square of a group).
    std::vector<Weight> mined;
};

/// Layouts with more than maxMines mines are left out. Every step spends one unit of budget;
/// std::nullopt when it runs out first.
[[nodiscard]] std::optional<ComponentCount> countComponent(const Frontier& frontier,
    const Frontier::Component& component, std::int64_t maxMines, std::int64_t& budget);
