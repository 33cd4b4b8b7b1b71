// SPDX-License-Identifier: GPL-3.0-or-later
// A hook for scripts that drive the real window with synthetic clicks: with
// SAPPERLY_DEBUG_GEOMETRY set, the program prints where the board's squares are on the screen
// each time that changes, as "board LEFT TOP SQUARE COLUMNS ROWS" (global logical pixels,
// LEFT/TOP the board surface's corner). It writes nothing else and changes no behaviour.
#pragma once

#include <QObject>
#include <QString>

class BoardView;
class GameEngine;

class GeometryReport : public QObject {
    Q_OBJECT

public:
    static constexpr const char* variable = "SAPPERLY_DEBUG_GEOMETRY";

    GeometryReport(BoardView& board, GameEngine& engine);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void report();

    BoardView& m_board;
    GameEngine& m_engine;
    QString m_last;
};
