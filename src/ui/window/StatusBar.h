// SPDX-License-Identifier: GPL-3.0-or-later
// The strip above the board: mines still unflagged, the face button and the game clock. It
// reads the engine and never changes it; the face button only reports that it was pressed.
#pragma once

#include <QWidget>

#include <memory>

class DropShadow;
class FaceButton;
class GameEngine;
class LEDCounter;
class QTimer;

class StatusBar : public QWidget {
    Q_OBJECT

public:
    explicit StatusBar(GameEngine& engine, QWidget* parent = nullptr);
    ~StatusBar() override;

    [[nodiscard]] LEDCounter& minesCounter() const { return *m_mines; }
    [[nodiscard]] LEDCounter& clockCounter() const { return *m_clock; }
    [[nodiscard]] FaceButton& faceButton() const { return *m_face; }
    /// True exactly while the game clock runs: no timer fires for a stopped clock.
    [[nodiscard]] bool isTicking() const;

    /// Reads the clock again; the once-a-second timer calls it.
    void refreshClock();

signals:
    /// The face button was pressed; the owner decides whether a new game starts.
    void smileyClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    GameEngine& m_engine;
    LEDCounter* m_mines;
    FaceButton* m_face;
    LEDCounter* m_clock;
    QTimer* m_ticker;
    std::unique_ptr<DropShadow> m_faceShadow;
};
