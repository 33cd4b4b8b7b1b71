// SPDX-License-Identifier: GPL-3.0-or-later
// Board-size menu contents and how its label and check follow the engine.
#include "ui/window/BoardSizeMenu.h"

#include "engine/GameEngine.h"
#include "ui/window/Fonts.h"
#include "ui/window/Glyphs.h"
#include "ui/window/Palette.h"

#include <QActionGroup>
#include <QMenu>

BoardSizeMenu::BoardSizeMenu(GameEngine& engine, QWidget* parent)
    : QToolButton(parent)
    , m_engine(engine)
{
    setObjectName(QStringLiteral("boardSizeMenu"));
    setToolTip(tr("Choose a board size"));
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setAutoRaise(false);
    setFocusPolicy(Qt::TabFocus);
    setFont(Fonts::control());
    setIcon(Glyphs::grid3x3(Palette::titleInk(), 14));
    setIconSize(QSize(14, 14));

    auto* menu = new QMenu(this);
    menu->addSection(tr("Difficulty"));
    auto* group = new QActionGroup(menu);
    group->setExclusive(true);
    for (const Difficulty difficulty : allDifficulties) {
        const QString text = QString::fromUtf8(title(difficulty)) + QStringLiteral(" \u2014 ") +
            QString::fromUtf8(summary(difficulty));
        QAction* item = menu->addAction(text);
        item->setCheckable(true);
        group->addAction(item);
        m_actions[difficulty] = item;
        connect(item, &QAction::triggered, this, [this, difficulty] {
            // Triggering moved the check already; put it back before reporting, so only the
            // engine's size ever decides what is checked.
            follow();
            emit chosen(difficulty);
        });
    }
    setMenu(menu);

    connect(&engine, &GameEngine::boardChanged, this, &BoardSizeMenu::follow);
    follow();
}

void BoardSizeMenu::follow()
{
    const Difficulty current = m_engine.board().difficulty;
    setText(QString::fromUtf8(title(current)));
    setAccessibleName(tr("Board size: %1").arg(text()));
    m_actions.at(current)->setChecked(true);
}
