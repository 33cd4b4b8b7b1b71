// SPDX-License-Identifier: GPL-3.0-or-later
// The game window: the content view, the menu bar commands and the window's size rules. The
// menu bar acts on the engine directly and never asks for confirmation.
#pragma once

#include "model/Difficulty.h"

#include <QMainWindow>
#include <QPointer>

#include <map>

class ContentView;
class GameEngine;
class QAction;
class QMenu;
class StatisticsWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    static constexpr QSize defaultSize { 620, 700 };
    static constexpr int minimumContentHeight = 520;

    explicit MainWindow(GameEngine& engine, QWidget* parent = nullptr);

    /// The board's width at its smallest squares plus the side padding: 230, 384 or 692.
    [[nodiscard]] static int minWidthByDifficulty(Difficulty difficulty);
    /// The narrowest the content may become: minWidthByDifficulty, but never below 460.
    [[nodiscard]] static int minimumContentWidth(Difficulty difficulty);

    [[nodiscard]] ContentView& contentView() const { return *m_content; }
    [[nodiscard]] QAction* difficultyAction(Difficulty difficulty) const
    {
        return m_difficultyActions.at(difficulty);
    }
    [[nodiscard]] QAction* newGameAction() const { return m_newGame; }
    [[nodiscard]] QAction* statisticsAction() const { return m_statistics; }
    /// The statistics window once it has been opened, else null.
    [[nodiscard]] StatisticsWindow* statisticsWindow() const;

    /// Places action right after "About Sapperly" in the Help menu (for "Check for Updates…").
    void insertHelpAction(QAction* action);
    /// Places action in the Game menu after "New Game", above "Quit" (for "Sync Folder…").
    void insertGameAction(QAction* action);

    /// Restores the size and place that closing reported last time (as saveGeometry gives
    /// them), or takes the default size when there is nothing usable.
    void restoreWindowGeometry(const QByteArray& saved);

signals:
    /// The window is closing; geometry is for restoreWindowGeometry next time.
    void closing(const QByteArray& geometry);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildMenus();
    void followBoard();
    void showAbout();
    void showStatistics();

    GameEngine& m_engine;
    ContentView* m_content;
    QMenu* m_gameMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QAction* m_newGame = nullptr;
    QAction* m_statistics = nullptr;
    QPointer<StatisticsWindow> m_statisticsWindow;
    QAction* m_quitSeparator = nullptr;
    QAction* m_about = nullptr;
    std::map<Difficulty, QAction*> m_difficultyActions;
    Difficulty m_sizedFor;
};
