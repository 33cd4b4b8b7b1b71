// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics of every board size in one small window: games played and won, the win rate
// and the best time. It follows the engine's records as they change, from this machine or
// another, and never writes anything.
#pragma once

#include "model/Difficulty.h"
#include "model/Record.h"

#include <QWidget>

#include <array>

class GameEngine;
class QLabel;

class StatisticsWindow : public QWidget {
    Q_OBJECT

public:
    enum class Column { played, won, winRate, bestTime };
    static constexpr std::array<Column, 4> columns {
        Column::played,
        Column::won,
        Column::winRate,
        Column::bestTime,
    };

    explicit StatisticsWindow(const GameEngine& engine, QWidget* parent = nullptr);

    [[nodiscard]] QString text(Difficulty difficulty, Column column) const;

    /// "Played", "Won", "Win rate", "Best time".
    [[nodiscard]] static QString heading(Column column);
    /// What one cell shows for a record: "67%" rounded, "43s", or "—" where there is nothing.
    [[nodiscard]] static QString cellText(const Record& record, Column column);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    const GameEngine& m_engine;
    std::array<std::array<QLabel*, columns.size()>, allDifficulties.size()> m_cells {};
};
