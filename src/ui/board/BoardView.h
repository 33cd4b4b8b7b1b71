// SPDX-License-Identifier: GPL-3.0-or-later
// The board as the window shows it: the painted board surface sized to the space offered,
// centred at the top when it fits and in a two-way scroll area when it does not, with the
// opening animation of freshly uncovered squares. Its drop shadow reaches past the view, so the
// widget underneath paints it (see BoardShadowPainter) where boardRect says.
#pragma once

#include "model/Difficulty.h"
#include "model/Instant.h"
#include "ui/board/BoardLayout.h"

#include <QWidget>

#include <functional>

class BoardSurface;
class GameEngine;
class OpeningAnimation;
class QScrollArea;

class BoardView : public QWidget {
    Q_OBJECT

public:
    using Clock = std::function<Instant()>;

    explicit BoardView(GameEngine& engine, QWidget* parent = nullptr);
    /// now is the wall clock the opening animation reads; tests pass their own.
    BoardView(GameEngine& engine, Clock now, QWidget* parent = nullptr);

    [[nodiscard]] const BoardLayout& layout() const { return m_layout; }
    [[nodiscard]] double squareSize() const { return m_layout.squareSize; }
    [[nodiscard]] bool isScrolling() const { return m_layout.scrolls; }
    /// The part of the board on show, in the view's coordinates: the whole board when it fits,
    /// the scroll area's window onto it when it scrolls.
    [[nodiscard]] QRect boardRect() const;
    [[nodiscard]] QScrollArea& scrollArea() const { return *m_scrollArea; }
    [[nodiscard]] BoardSurface& surface() { return *m_surface; }
    [[nodiscard]] OpeningAnimation& opening() { return *m_opening; }
    /// When on, a plain click on a covered square marks it instead of uncovering it. Off by
    /// default; nothing in the window turns it on yet.
    void setFlagMode(bool on);

    /// A comfortable board of 32-point squares.
    [[nodiscard]] QSize sizeHint() const override;
    /// Small on purpose: below the board's own size the board scrolls rather than clips.
    [[nodiscard]] QSize minimumSizeHint() const override;

signals:
    /// The board may have moved or changed size within the view.
    void boardPlaced();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void onBoardChanged();
    void onMoveCountChanged();
    /// Applies the size rule to the current size and difficulty.
    void arrange();
    /// Scrolls the keyboard's current square into view while the keyboard is in use.
    void revealCursor();

    GameEngine& m_engine;
    OpeningAnimation* m_opening;
    BoardSurface* m_surface;
    QScrollArea* m_scrollArea;
    BoardLayout m_layout;
    Difficulty m_difficulty;
    bool m_arranged = false;
    bool m_shownOnce = false;
};
