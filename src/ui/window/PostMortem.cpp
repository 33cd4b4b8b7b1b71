// SPDX-License-Identifier: GPL-3.0-or-later
// The post-mortem's decision and its trip to a worker thread and back.
#include "ui/window/PostMortem.h"

#include "analysis/Analysis.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>

PostMortem::PostMortem(GameEngine& engine, QObject* parent)
    : QObject(parent)
    , m_engine(engine)
{
    connect(&engine, &GameEngine::boardChanged, this, &PostMortem::onBoardChanged);
    onBoardChanged();
}

std::optional<PostMortem::Finding> PostMortem::examine(const GameEngine::LosingMove& move)
{
    const Board& before = move.before;
    if (!before.hasConsistentSize() || !before.isInside(move.square.x, move.square.y))
        return std::nullopt;
    if (move.kind == GameEngine::LosingMove::Kind::chord) {
        // With every flag right, a chord only opens safe squares: one of its flags was wrong.
        for (const Point& p : before.neighbours(move.square.x, move.square.y)) {
            const Cell& cell = before.cellAt(p.x, p.y);
            if (cell.mark == Mark::flag && !cell.isMine)
                return Finding { Finding::Kind::wrongFlag, p, 0 };
        }
        return std::nullopt;
    }
    const std::optional<Position> position = visiblePosition(before);
    if (!position)
        return std::nullopt;
    const Analysis analysis = analyse(*position);
    if (analysis.outcome != Analysis::Outcome::solved)
        return std::nullopt;
    if (const std::optional<std::int64_t> safe = firstCertainlySafe(analysis))
        return Finding { Finding::Kind::safeSquareKnown,
            Point { *safe % before.columns(), *safe / before.columns() }, 0 };
    const double chance =
        analysis.mineChance[static_cast<std::size_t>(before.index(move.square.x, move.square.y))];
    // No square was certainly safe, so this one was not either: never claim 0%.
    const int percent = std::max(1, static_cast<int>(std::lround(chance * 100.0)));
    return Finding { Finding::Kind::forcedGuess, move.square, percent };
}

QString PostMortem::text(const Finding& finding)
{
    switch (finding.kind) {
    case Finding::Kind::safeSquareKnown:
        return tr("A safe square could be known: it is outlined.");
    case Finding::Kind::forcedGuess:
        return tr("A forced guess: no safe square could be known (%1% chance of a mine here).")
            .arg(finding.percent);
    case Finding::Kind::wrongFlag:
        return tr("A flag was wrong: the chord trusted it.");
    }
    return {};
}

std::optional<Point> PostMortem::outlined(const std::optional<Finding>& finding)
{
    if (!finding || finding->kind == Finding::Kind::forcedGuess)
        return std::nullopt;
    return finding->square;
}

void PostMortem::onBoardChanged()
{
    const std::optional<GameEngine::LosingMove>& move = m_engine.losingMove();
    const bool lost = m_engine.board().phase == Board::Phase::lost && move;
    if (lost == m_examining)
        return;
    // Either a new loss to examine, or the game it was about is gone: whatever is still
    // running belongs to the past.
    ++m_generation;
    m_examining = lost;
    setFinding(std::nullopt);
    if (!lost)
        return;
    auto* watcher = new QFutureWatcher<std::optional<Finding>>(this);
    connect(
        watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation = m_generation] {
            if (generation == m_generation)
                setFinding(watcher->result());
            watcher->deleteLater();
        });
    watcher->setFuture(QtConcurrent::run(&PostMortem::examine, *move));
}

void PostMortem::setFinding(std::optional<Finding> finding)
{
    if (finding == m_finding)
        return;
    m_finding = finding;
    emit findingChanged();
}
