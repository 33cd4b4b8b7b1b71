// SPDX-License-Identifier: GPL-3.0-or-later
// The whole content of the game window: the title row with the board-size menu, the status
// bar, the board and the result banner. It holds the one rule for new games started from
// inside the window: at once when nothing would be lost, after a question while a game is on.
#pragma once

#include "model/Difficulty.h"
#include "ui/board/BoardShadowPainter.h"
#include "ui/window/NewGameDialog.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class BoardSizeMenu;
class BoardView;
class GameColumn;
class GameEngine;
class PostMortem;
class ResultBanner;
class StatusBar;

class ContentView : public QWidget {
    Q_OBJECT

public:
    static constexpr int padding = 16;
    static constexpr int titleRowHeight = 30;

    explicit ContentView(GameEngine& engine, QWidget* parent = nullptr);

    /// A new game of difficulty, or of the current size when absent. Does nothing for the
    /// current size on a fresh board; asks first while a game is being played.
    void requestNewGame(std::optional<Difficulty> difficulty);

    /// True while the new-game question is showing.
    [[nodiscard]] bool confirmNewGame() const { return !m_dialog.isNull(); }
    [[nodiscard]] std::optional<Difficulty> pendingDifficulty() const { return m_pending; }
    /// The open question, or null.
    [[nodiscard]] NewGameDialog* confirmationDialog() const { return m_dialog.data(); }

    /// Presses "Play Again" when the banner is showing; false when there is nothing to press.
    bool pressDefaultButton();

    [[nodiscard]] StatusBar& statusBar() const { return *m_statusBar; }
    [[nodiscard]] BoardView& boardView() const { return *m_board; }
    [[nodiscard]] ResultBanner& resultBanner() const { return *m_banner; }
    [[nodiscard]] BoardSizeMenu& boardSizeMenu() const { return *m_sizeMenu; }
    [[nodiscard]] GameColumn& gameColumn() const { return *m_column; }
    [[nodiscard]] PostMortem& postMortem() const { return *m_postMortem; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void onConfirm();
    void onCancel();
    void followBoard();
    /// The board's rectangle in this widget, whose background carries the board's shadow.
    [[nodiscard]] QRectF boardRect() const;
    void followBoardPlace();
    void showPostMortem();

    GameEngine& m_engine;
    std::optional<Difficulty> m_pending;
    QPointer<NewGameDialog> m_dialog;
    BoardSizeMenu* m_sizeMenu;
    StatusBar* m_statusBar;
    BoardView* m_board;
    ResultBanner* m_banner;
    GameColumn* m_column;
    BoardShadowPainter m_boardShadow;
    QRect m_boardShadowArea;
    PostMortem* m_postMortem;
};
