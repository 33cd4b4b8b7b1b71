// SPDX-License-Identifier: GPL-3.0-or-later
// Combining the components: a layout of the whole field is one layout per component plus a
// choice of where the remaining mines lie among the squares no number touches, so the count of
// layouts is a convolution over the mines each component takes, weighted by a binomial.
#include "analysis/Analysis.h"

#include "analysis/ComponentCount.h"
#include "analysis/Frontier.h"

#include <algorithm>

namespace {

using Series = std::vector<Weight>;

/// c[n] = Σ a[i] × b[n − i], cut at the field's mine count.
Series convolve(const Series& a, const Series& b, std::size_t limit)
{
    Series result(std::min(a.size() + b.size() - 1, limit + 1));
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].isZero())
            continue;
        for (std::size_t j = 0; j < b.size() && i + j < result.size(); ++j) {
            if (!b[j].isZero())
                result[i + j] += a[i] * b[j];
        }
    }
    return result;
}

/// [r] = C(n, r) for r = 0 … n.
Series binomials(std::int64_t n)
{
    Series result { Weight(1.0) };
    for (std::int64_t r = 0; r < n; ++r)
        result.push_back(result.back() * (static_cast<double>(n - r) / static_cast<double>(r + 1)));
    return result;
}

} // namespace

Analysis analyse(const Position& position, std::int64_t searchBudget)
{
    Analysis analysis;
    const Frontier frontier = frontierOf(position);
    const std::int64_t mines = position.mines;
    const auto coveredCount = static_cast<std::int64_t>(
        std::count(position.squares.begin(), position.squares.end(), Position::covered));
    // Every count below is cut at the mine count, which this keeps within the covered squares.
    if (frontier.contradictory || mines < 0 || mines > coveredCount) {
        analysis.outcome = Analysis::Outcome::inconsistent;
        return analysis;
    }
    const auto limit = static_cast<std::size_t>(mines);

    std::vector<ComponentCount> counts;
    for (const Frontier::Component& component : frontier.components) {
        std::optional<ComponentCount> count =
            countComponent(frontier, component, mines, searchBudget);
        if (!count)
            return analysis;
        counts.push_back(std::move(*count));
    }

    // prefix[c] combines the components before c, suffix[c] those from c on; together they
    // give, for each component, the layouts of all the others by their mine count.
    const std::size_t n = counts.size();
    std::vector<Series> prefix(n + 1, Series { Weight(1.0) });
    std::vector<Series> suffix(n + 1, Series { Weight(1.0) });
    for (std::size_t c = 0; c < n; ++c)
        prefix[c + 1] = convolve(prefix[c], counts[c].layouts, limit);
    for (std::size_t c = n; c-- > 0;)
        suffix[c] = convolve(counts[c].layouts, suffix[c + 1], limit);

    const auto open = static_cast<std::int64_t>(frontier.unconstrained.size());
    const Series spread = binomials(open);
    // Ways to place the mines the frontier leaves over among the open squares.
    auto spreadOf = [&](std::int64_t frontierMines) {
        const std::int64_t left = mines - frontierMines;
        return left < 0 || left > open ? Weight {} : spread[static_cast<std::size_t>(left)];
    };

    Weight total;
    Weight openMined;
    for (std::size_t f = 0; f < prefix[n].size(); ++f) {
        const auto frontierMines = static_cast<std::int64_t>(f);
        const Weight layouts = prefix[n][f] * spreadOf(frontierMines);
        total += layouts;
        if (open > 0)
            openMined +=
                layouts * (static_cast<double>(mines - frontierMines) / static_cast<double>(open));
    }
    if (total.isZero()) {
        analysis.outcome = Analysis::Outcome::inconsistent;
        return analysis;
    }

    analysis.outcome = Analysis::Outcome::solved;
    analysis.mineChance.assign(position.squares.size(), 0.0);
    analysis.certainlySafe.assign(position.squares.size(), false);
    auto settle = [&](std::int64_t square, Weight minedLayouts) {
        analysis.mineChance[static_cast<std::size_t>(square)] = ratio(minedLayouts, total);
        analysis.certainlySafe[static_cast<std::size_t>(square)] = minedLayouts.isZero();
    };
    for (const std::int64_t square : frontier.unconstrained)
        settle(square, openMined);

    for (std::size_t c = 0; c < n; ++c) {
        const Series others = convolve(prefix[c], suffix[c + 1], limit);
        const std::vector<std::size_t>& groups = frontier.components[c].groups;
        std::vector<Weight> mined(groups.size());
        for (std::size_t k = 0; k < counts[c].layouts.size(); ++k) {
            if (counts[c].layouts[k].isZero())
                continue;
            // Layouts of everything outside this component, given that it holds k mines.
            Weight rest;
            for (std::size_t f = 0; f < others.size(); ++f)
                rest += others[f] * spreadOf(static_cast<std::int64_t>(k + f));
            for (std::size_t g = 0; g < groups.size(); ++g)
                mined[g] += counts[c].mined[k * groups.size() + g] * rest;
        }
        for (std::size_t g = 0; g < groups.size(); ++g) {
            for (const std::int64_t square : frontier.groups[groups[g]].squares)
                settle(square, mined[g]);
        }
    }
    return analysis;
}

std::optional<std::int64_t> firstCertainlySafe(const Analysis& analysis)
{
    const auto found =
        std::find(analysis.certainlySafe.begin(), analysis.certainlySafe.end(), true);
    if (found == analysis.certainlySafe.end())
        return std::nullopt;
    return found - analysis.certainlySafe.begin();
}
