// SPDX-License-Identifier: GPL-3.0-or-later
// The end-of-game panel under the board: won or lost, whether the win set a new best time, the
// statistics of the board size and a "Play Again" button. It reads the engine only.
#pragma once

#include "model/Board.h"
#include "model/Record.h"

#include <QWidget>

#include <cstdint>

class GameEngine;
class QLabel;
class QPushButton;

class ResultBanner : public QWidget {
    Q_OBJECT

public:
    explicit ResultBanner(GameEngine& engine, QWidget* parent = nullptr);

    [[nodiscard]] QPushButton& playAgainButton() const { return *m_playAgain; }
    [[nodiscard]] QString titleText() const;
    [[nodiscard]] QString statsText() const;
    /// The post-mortem of a loss under the statistics line; empty hides the line.
    void setPostMortemLine(const QString& text);
    [[nodiscard]] QString postMortemText() const;

    /// "Boom." for anything but a win, "New best time!" for a record win, else "Cleared!".
    [[nodiscard]] static QString title(Board::Phase phase, bool justSetRecord);
    /// For example "Beginner in 42s · best 38s · 3 of 7 won"; a loss leaves out the time.
    [[nodiscard]] static QString statsLine(
        const Board& board, const Records& records, std::int64_t elapsedSeconds);

signals:
    void playAgainClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    GameEngine& m_engine;
    QLabel* m_title;
    QLabel* m_stats;
    QLabel* m_postMortem;
    QPushButton* m_playAgain;
    bool m_won = false;
};
