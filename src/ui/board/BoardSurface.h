// SPDX-License-Identifier: GPL-3.0-or-later
// The board surface: one widget, exactly the board's size, that paints every square and turns
// mouse presses and keys on it into the engine's reveal, chord and toggleMark. It keeps the
// keyboard cursor and shows what a held press will do on release.
#pragma once

#include "model/Board.h"
#include "model/Point.h"
#include "ui/board/BoardPainter.h"

#include <QPointF>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

class GameEngine;
class OpeningAnimation;
class QTimer;

class BoardSurface : public QWidget {
    Q_OBJECT

public:
    /// How long the primary button must stay down, nearly still, to mark instead of click.
    static constexpr std::uint64_t holdMilliseconds = 350;
    /// How far the pointer may wander before the hold counts as a drag instead.
    static constexpr double holdSlop = 10.0;
    /// The keyboard cursor's ring, drawn inside the square's edge.
    static constexpr double cursorRingWidth = 2.0;

    BoardSurface(GameEngine& engine, const OpeningAnimation& opening, QWidget* parent = nullptr);

    /// Resizes the surface to the board at this square size.
    void setSquareSize(double squareSize);
    [[nodiscard]] double squareSize() const { return m_squareSize; }
    /// When on, a plain click on a covered square marks it instead of uncovering it.
    void setFlagMode(bool on) { m_flagMode = on; }
    [[nodiscard]] GameEngine& engine() const { return m_engine; }

    /// The square under a location in board coordinates. Fractions are dropped toward zero and
    /// no range check is made, so just left of the board still reads as column 0.
    [[nodiscard]] Point squareAt(QPointF location) const;
    /// The square's rectangle in board coordinates.
    [[nodiscard]] QRectF squareRect(Point square) const;
    /// What a plain click means: nothing outside the board, a chord on an uncovered square,
    /// otherwise uncovering.
    void primaryAction(Point square);
    /// Repaints just these squares (an animation frame).
    void updateSquares(const std::vector<Point>& squares);
    /// A square ringed in the accent colour over everything else, or none.
    void setOutlinedSquare(std::optional<Point> square);
    [[nodiscard]] std::optional<Point> outlinedSquare() const { return m_outlined; }

    /// The keyboard's current square; always inside the board.
    [[nodiscard]] Point cursor() const { return m_cursor; }
    /// True from the first board key until the next mouse press on the board.
    [[nodiscard]] bool isCursorShown() const { return m_cursorShown; }
    /// The covered square drawn held down, if any.
    [[nodiscard]] std::optional<Point> pressedSquare() const;
    /// True once the held press has lasted long enough that its release will mark.
    [[nodiscard]] bool isPressArmed() const;

signals:
    /// The keyboard cursor moved or was shown, for scrolling it into view.
    void cursorMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    /// A primary press being followed until its release decides between click and hold.
    struct Press {
        QPointF location;
        std::uint64_t timestamp = 0;
        bool control = false;
        /// Moved past holdSlop before holdMilliseconds had passed: it can no longer be a hold.
        bool wandered = false;
        /// Where the pointer is now: the square the release will act on.
        QPointF pointer;
        /// The hold time has passed, seen by an event's timestamp or by the hold timer.
        bool held = false;
    };

    [[nodiscard]] bool isHeldLongEnough(const Press& press, std::uint64_t timestamp) const;
    void onBoardChanged();
    void moveCursor(Point square);
    void setCursorShown(bool shown);
    void updateSquare(std::optional<Point> square);
    /// Repaints the pressed square before and after a change to the press.
    template <typename Change> void changePress(Change change);
    void paintPress(QPainter& painter, Point square) const;

    GameEngine& m_engine;
    const OpeningAnimation& m_opening;
    BoardPainter m_painter;
    double m_squareSize = 22.0;
    bool m_flagMode = false;
    std::optional<Press> m_press;
    QTimer* m_holdTimer;
    Point m_cursor;
    bool m_cursorShown = false;
    /// The board as last seen, to tell a new game and changed squares apart.
    Board m_seen;
    std::optional<Point> m_outlined;
};
