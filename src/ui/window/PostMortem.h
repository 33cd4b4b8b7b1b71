// SPDX-License-Identifier: GPL-3.0-or-later
// What the player could have known before the move that lost the game. The exact analysis of
// the position runs on a worker thread; its finding arrives later, and one that belongs to an
// earlier game is dropped.
#pragma once

#include "engine/GameEngine.h"
#include "model/Point.h"

#include <QObject>

#include <cstdint>
#include <optional>

class PostMortem : public QObject {
    Q_OBJECT

public:
    struct Finding {
        enum class Kind {
            /// Some square was certainly safe: square is the first in row-major order.
            safeSquareKnown,
            /// No square was certainly safe: square is the one clicked.
            forcedGuess,
            /// A chord opened a mine because of the wrong flag at square.
            wrongFlag,
        };
        Kind kind = Kind::forcedGuess;
        Point square;
        /// The clicked square's chance of a mine, rounded, for a forced guess.
        int percent = 0;

        friend bool operator==(const Finding&, const Finding&) = default;
    };

    explicit PostMortem(GameEngine& engine, QObject* parent = nullptr);

    /// The finding for the lost game on the board; absent while the analysis runs, when it
    /// gave up, and for any other game.
    [[nodiscard]] const std::optional<Finding>& finding() const { return m_finding; }

    /// Runs the analysis; blocks for as long as the search budget allows.
    [[nodiscard]] static std::optional<Finding> examine(const GameEngine::LosingMove& move);
    /// The banner's line for a finding.
    [[nodiscard]] static QString text(const Finding& finding);
    /// The square to ring on the board, if the finding points at one.
    [[nodiscard]] static std::optional<Point> outlined(const std::optional<Finding>& finding);

signals:
    void findingChanged();

private:
    void onBoardChanged();
    void setFinding(std::optional<Finding> finding);

    GameEngine& m_engine;
    std::optional<Finding> m_finding;
    /// Counts the games examined; a result carries the count it was started under.
    std::uint64_t m_generation = 0;
    bool m_examining = false;
};
