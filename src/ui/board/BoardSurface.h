// The board surface: one widget, exactly the board's size, that paints every square and turns
// mouse presses on it into the engine's reveal, chord and toggleMark.
#pragma once

#include "model/Point.h"
#include "ui/board/BoardPainter.h"

#include <QPointF>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

class GameEngine;
class OpeningAnimation;

class BoardSurface : public QWidget {
    Q_OBJECT

public:
    /// How long the primary button must stay down, nearly still, to mark instead of click.
    static constexpr std::uint64_t holdMilliseconds = 350;
    /// How far the pointer may wander before the hold counts as a drag instead.
    static constexpr double holdSlop = 10.0;

    BoardSurface(GameEngine& engine, const OpeningAnimation& opening, QWidget* parent = nullptr);

    /// Resizes the surface to the board at this square size.
    void setSquareSize(double squareSize);
    [[nodiscard]] double squareSize() const { return m_squareSize; }
    /// When on, a plain click on a covered square marks it instead of uncovering it.
    void setFlagMode(bool on) { m_flagMode = on; }

    /// The square under a location in board coordinates. Fractions are dropped toward zero and
    /// no range check is made, so just left of the board still reads as column 0.
    [[nodiscard]] Point squareAt(QPointF location) const;
    /// What a plain click means: nothing outside the board, a chord on an uncovered square,
    /// otherwise uncovering.
    void primaryAction(Point square);
    /// Repaints just these squares (an animation frame).
    void updateSquares(const std::vector<Point>& squares);
    /// A square ringed in the accent colour over everything else, or none.
    void setOutlinedSquare(std::optional<Point> square);
    [[nodiscard]] std::optional<Point> outlinedSquare() const { return m_outlined; }

protected:
    void paintEvent(QPaintEvent* event) override;
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
    };

    [[nodiscard]] bool isHeldLongEnough(const Press& press, std::uint64_t timestamp) const;

    GameEngine& m_engine;
    const OpeningAnimation& m_opening;
    BoardPainter m_painter;
    double m_squareSize = 22.0;
    bool m_flagMode = false;
    std::optional<Press> m_press;
    std::optional<Point> m_outlined;
};
