// SPDX-License-Identifier: GPL-3.0-or-later
// Grouping the covered squares by the numbers they touch.
#include "analysis/Frontier.h"

#include <cassert>
#include <map>
#include <numeric>

namespace {

std::vector<std::int64_t> neighbourIndices(const Position& position, std::int64_t index)
{
    std::vector<std::int64_t> result;
    const std::int64_t x = index % position.columns;
    const std::int64_t y = index / position.columns;
    for (std::int64_t dy = -1; dy <= 1; ++dy) {
        for (std::int64_t dx = -1; dx <= 1; ++dx) {
            const std::int64_t nx = x + dx;
            const std::int64_t ny = y + dy;
            if ((dx != 0 || dy != 0) && nx >= 0 && ny >= 0 && nx < position.columns &&
                ny < position.rows)
                result.push_back(ny * position.columns + nx);
        }
    }
    return result;
}

std::size_t findRoot(std::vector<std::size_t>& parent, std::size_t item)
{
    while (parent[item] != item)
        item = parent[item] = parent[parent[item]];
    return item;
}

} // namespace

Frontier frontierOf(const Position& position)
{
    assert(position.squares.size() == static_cast<std::size_t>(position.columns * position.rows) &&
        "a position holds every square");
    Frontier frontier;
    const auto count = static_cast<std::int64_t>(position.squares.size());

    // Numbers become constraints in row-major order; a square's key is the list of the
    // constraints it touches, and equal keys make one group.
    std::vector<std::int64_t> constraintOf(position.squares.size(), -1);
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int8_t shown = position.squares[static_cast<std::size_t>(i)];
        if (shown == Position::covered)
            continue;
        std::int64_t coveredAround = 0;
        for (const std::int64_t n : neighbourIndices(position, i))
            coveredAround += position.squares[static_cast<std::size_t>(n)] == Position::covered;
        if (shown < 0 || shown > coveredAround)
            frontier.contradictory = true;
        if (coveredAround > 0) {
            constraintOf[static_cast<std::size_t>(i)] =
                static_cast<std::int64_t>(frontier.constraints.size());
            frontier.constraints.push_back({ shown, {} });
        }
    }

    std::map<std::vector<std::size_t>, std::size_t> groupOfKey;
    for (std::int64_t i = 0; i < count; ++i) {
        if (position.squares[static_cast<std::size_t>(i)] != Position::covered)
            continue;
        std::vector<std::size_t> key;
        for (const std::int64_t n : neighbourIndices(position, i)) {
            if (const std::int64_t c = constraintOf[static_cast<std::size_t>(n)]; c >= 0)
                key.push_back(static_cast<std::size_t>(c));
        }
        if (key.empty()) {
            frontier.unconstrained.push_back(i);
            continue;
        }
        const auto [found, isNew] = groupOfKey.try_emplace(key, frontier.groups.size());
        if (isNew) {
            for (const std::size_t c : key)
                frontier.constraints[c].groups.push_back(found->second);
            frontier.groups.push_back({ {}, std::move(key) });
        }
        frontier.groups[found->second].squares.push_back(i);
    }

    // Groups joined through a shared number belong to one component.
    std::vector<std::size_t> parent(frontier.groups.size());
    std::iota(parent.begin(), parent.end(), std::size_t { 0 });
    for (const Frontier::Constraint& constraint : frontier.constraints) {
        for (const std::size_t g : constraint.groups)
            parent[findRoot(parent, g)] = findRoot(parent, constraint.groups.front());
    }
    std::map<std::size_t, std::size_t> componentOfRoot;
    for (std::size_t g = 0; g < frontier.groups.size(); ++g) {
        const auto [found, isNew] =
            componentOfRoot.try_emplace(findRoot(parent, g), frontier.components.size());
        if (isNew)
            frontier.components.emplace_back();
        frontier.components[found->second].groups.push_back(g);
    }
    for (std::size_t c = 0; c < frontier.constraints.size(); ++c) {
        const std::size_t root = findRoot(parent, frontier.constraints[c].groups.front());
        frontier.components[componentOfRoot.at(root)].constraints.push_back(c);
    }
    return frontier;
}
