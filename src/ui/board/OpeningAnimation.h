// SPDX-License-Identifier: GPL-3.0-or-later
// The shrink-and-fade of freshly uncovered squares: which squares animate since when, the check
// that finds new ones after each move, and the 16 ms timer that runs only while any animates.
#pragma once

#include "model/Board.h"
#include "model/Instant.h"
#include "model/Point.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class QTimer;

class OpeningAnimation : public QObject {
    Q_OBJECT

public:
    using Clock = std::function<Instant()>;

    /// Seconds one square's animation lasts.
    static constexpr double openDuration = 0.22;
    static constexpr int framePeriodMs = 16;

    /// An empty clock means the system wall clock.
    explicit OpeningAnimation(Clock now = {}, QObject* parent = nullptr);

    /// Starts the animation of every square uncovered now that was not at the last check, all
    /// with the same start instant.
    void detectOpened(const Board& board);
    /// Forgets everything, for a board of another size. A running timer stops at its next pass.
    void resetOpening();

    /// How far the square's tile has shrunk at now, from 0 up to but excluding 1; nothing when
    /// no tile is drawn over it.
    [[nodiscard]] std::optional<double> progress(Point square, Instant now) const;

    [[nodiscard]] Instant now() const { return m_now(); }
    [[nodiscard]] const std::unordered_map<Point, Instant>& opened() const { return m_opened; }
    [[nodiscard]] const std::unordered_set<Point>& wasRevealed() const { return m_wasRevealed; }
    [[nodiscard]] std::int64_t tick() const { return m_tick; }
    [[nodiscard]] bool isRunning() const;

    /// One pass of the loop, run by the timer every framePeriodMs: expired entries go, the frame
    /// counter moves on, and the timer stops once nothing is left.
    void advance();

signals:
    /// The squares that were animating when the frame began; each needs redrawing.
    void frameAdvanced(const std::vector<Point>& squares);

private:
    std::unordered_map<Point, Instant> m_opened;
    std::unordered_set<Point> m_wasRevealed;
    std::int64_t m_tick = 0;
    QTimer* m_animator;
    Clock m_now;
};
