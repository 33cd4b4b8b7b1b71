// SPDX-License-Identifier: GPL-3.0-or-later
// Backtracking over a component's groups: each step chooses how many mines one group holds,
// within the bounds every number it touches still allows, so a branch dies as soon as any
// number can no longer be met.
#include "analysis/ComponentCount.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <map>

namespace {

// A group holds at most eight squares: all of them touch one number.
constexpr std::array<std::array<double, 9>, 9> binomial { {
    { 1 },
    { 1, 1 },
    { 1, 2, 1 },
    { 1, 3, 3, 1 },
    { 1, 4, 6, 4, 1 },
    { 1, 5, 10, 10, 5, 1 },
    { 1, 6, 15, 20, 15, 6, 1 },
    { 1, 7, 21, 35, 35, 21, 7, 1 },
    { 1, 8, 28, 56, 70, 56, 28, 8, 1 },
} };

class Search {
public:
    Search(const Frontier& frontier, const Frontier::Component& component, std::int64_t maxMines,
        std::int64_t& budget)
        : m_maxMines(maxMines)
        , m_budget(budget)
    {
        std::map<std::size_t, std::size_t> localConstraint;
        for (const std::size_t c : component.constraints) {
            localConstraint[c] = m_target.size();
            m_target.push_back(frontier.constraints[c].target);
            m_sum.push_back(0);
            m_capacity.push_back(0);
        }
        for (const std::size_t g : component.groups) {
            const Frontier::Group& group = frontier.groups[g];
            assert(group.squares.size() <= 8 && "a group's squares all touch one number");
            m_size.push_back(static_cast<std::int64_t>(group.squares.size()));
            m_constraints.emplace_back();
            for (const std::size_t c : group.constraints) {
                m_constraints.back().push_back(localConstraint.at(c));
                m_capacity[localConstraint.at(c)] += m_size.back();
            }
        }
        m_chosen.assign(m_size.size(), 0);
        orderGroups();
        const std::size_t kinds = static_cast<std::size_t>(maxMines) + 1;
        m_result.layouts.assign(kinds, Weight {});
        m_result.mined.assign(kinds * m_size.size(), Weight {});
    }

    std::optional<ComponentCount> run()
    {
        if (!step(0, Weight(1.0), 0))
            return std::nullopt;
        return std::move(m_result);
    }

private:
    // Each next group is the one sharing the most numbers with those already placed, so the
    // numbers along the frontier are settled early and dead branches are cut near the root.
    void orderGroups()
    {
        const std::size_t count = m_size.size();
        std::vector<bool> placed(count, false);
        std::vector<std::int64_t> placedIn(m_target.size(), 0);
        for (std::size_t n = 0; n < count; ++n) {
            std::size_t best = count;
            std::int64_t bestScore = -1;
            for (std::size_t g = 0; g < count; ++g) {
                if (placed[g])
                    continue;
                std::int64_t score = 0;
                for (const std::size_t c : m_constraints[g])
                    score += placedIn[c];
                if (score > bestScore) {
                    best = g;
                    bestScore = score;
                }
            }
            placed[best] = true;
            for (const std::size_t c : m_constraints[best])
                ++placedIn[c];
            m_order.push_back(best);
        }
    }

    /// False when the budget ran out.
    bool step(std::size_t depth, Weight weight, std::int64_t mines)
    {
        if (depth == m_order.size())
            return record(weight, mines);
        const std::size_t g = m_order[depth];
        const std::int64_t size = m_size[g];
        std::int64_t low = 0;
        std::int64_t high = std::min(size, m_maxMines - mines);
        for (const std::size_t c : m_constraints[g]) {
            const std::int64_t missing = m_target[c] - m_sum[c];
            low = std::max(low, missing - (m_capacity[c] - size));
            high = std::min(high, missing);
        }
        for (const std::size_t c : m_constraints[g])
            m_capacity[c] -= size;
        bool finished = true;
        for (std::int64_t m = low; m <= high && finished; ++m) {
            if (--m_budget < 0) {
                finished = false;
                break;
            }
            for (const std::size_t c : m_constraints[g])
                m_sum[c] += m;
            m_chosen[g] = m;
            finished = step(depth + 1,
                weight * binomial[static_cast<std::size_t>(size)][static_cast<std::size_t>(m)],
                mines + m);
            for (const std::size_t c : m_constraints[g])
                m_sum[c] -= m;
        }
        for (const std::size_t c : m_constraints[g])
            m_capacity[c] += size;
        return finished;
    }

    bool record(Weight weight, std::int64_t mines)
    {
        m_budget -= static_cast<std::int64_t>(m_size.size());
        if (m_budget < 0)
            return false;
        const auto k = static_cast<std::size_t>(mines);
        m_result.layouts[k] += weight;
        Weight* mined = &m_result.mined[k * m_size.size()];
        for (std::size_t g = 0; g < m_size.size(); ++g) {
            if (m_chosen[g] > 0)
                mined[g] +=
                    weight * (static_cast<double>(m_chosen[g]) / static_cast<double>(m_size[g]));
        }
        return true;
    }

    std::int64_t m_maxMines;
    std::int64_t& m_budget;
    // Per constraint: mines it needs, mines chosen so far, squares still open in it.
    std::vector<std::int64_t> m_target;
    std::vector<std::int64_t> m_sum;
    std::vector<std::int64_t> m_capacity;
    // Per group: squares, constraints touched, mines chosen.
    std::vector<std::int64_t> m_size;
    std::vector<std::vector<std::size_t>> m_constraints;
    std::vector<std::int64_t> m_chosen;
    std::vector<std::size_t> m_order;
    ComponentCount m_result;
};

} // namespace

std::optional<ComponentCount> countComponent(const Frontier& frontier,
    const Frontier::Component& component, std::int64_t maxMines, std::int64_t& budget)
{
    if (maxMines < 0)
        return ComponentCount {};
    // The counts are kept per mine total, which cannot exceed the component's squares.
    std::int64_t squares = 0;
    for (const std::size_t g : component.groups)
        squares += static_cast<std::int64_t>(frontier.groups[g].squares.size());
    return Search(frontier, component, std::min(maxMines, squares), budget).run();
}
