// SPDX-License-Identifier: GPL-3.0-or-later
// The bordered pull-down in the title row that shows the board size and offers the three
// sizes. Its check always shows the engine's size: choosing an item only reports the choice,
// so a new game that is then cancelled leaves the old size checked.
#pragma once

#include "model/Difficulty.h"

#include <QToolButton>

#include <map>

class GameEngine;
class QAction;

class BoardSizeMenu : public QToolButton {
    Q_OBJECT

public:
    explicit BoardSizeMenu(GameEngine& engine, QWidget* parent = nullptr);

    [[nodiscard]] QAction* action(Difficulty difficulty) const { return m_actions.at(difficulty); }

signals:
    void chosen(Difficulty difficulty);

private:
    void follow();

    GameEngine& m_engine;
    std::map<Difficulty, QAction*> m_actions;
};
