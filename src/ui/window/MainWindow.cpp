// SPDX-License-Identifier: GPL-3.0-or-later
// Window set-up, menus, size limits and remembered geometry.
#include "ui/window/MainWindow.h"

#include "engine/GameEngine.h"
#include "ui/board/BoardLayout.h"
#include "ui/window/ContentView.h"
#include "ui/window/StatisticsWindow.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>

#include <algorithm>
#include <cmath>

MainWindow::MainWindow(GameEngine& engine, QWidget* parent)
    : QMainWindow(parent)
    , m_engine(engine)
    , m_content(new ContentView(engine, this))
    , m_sizedFor(engine.board().difficulty)
{
    setWindowTitle(tr("Sapperly"));
    setCentralWidget(m_content);
    buildMenus();
    resize(defaultSize);
    connect(&engine, &GameEngine::boardChanged, this, &MainWindow::followBoard);
    followBoard();
}

int MainWindow::minWidthByDifficulty(Difficulty difficulty)
{
    const double boardWidth = double(columns(difficulty)) * BoardLayout::minCell;
    return int(std::ceil(boardWidth)) + 2 * ContentView::padding;
}

int MainWindow::minimumContentWidth(Difficulty difficulty)
{
    return std::max(minWidthByDifficulty(difficulty), 460);
}

void MainWindow::buildMenus()
{
    m_gameMenu = menuBar()->addMenu(tr("&Game"));
    m_newGame = m_gameMenu->addAction(tr("&New Game"));
    m_newGame->setShortcut(QKeySequence::New);
    connect(m_newGame, &QAction::triggered, this,
        [this] { m_engine.newGame(m_engine.board().difficulty); });
    m_statistics = m_gameMenu->addAction(tr("Statistics\u2026"));
    connect(m_statistics, &QAction::triggered, this, &MainWindow::showStatistics);
    m_quitSeparator = m_gameMenu->addSeparator();
    QAction* quit = m_gameMenu->addAction(tr("&Quit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu* difficultyMenu = menuBar()->addMenu(tr("&Difficulty"));
    auto* group = new QActionGroup(difficultyMenu);
    group->setExclusive(true);
    for (const Difficulty difficulty : allDifficulties) {
        QAction* item = difficultyMenu->addAction(QString::fromUtf8(title(difficulty)));
        item->setCheckable(true);
        group->addAction(item);
        m_difficultyActions[difficulty] = item;
        connect(item, &QAction::triggered, this, [this, difficulty] {
            m_engine.newGame(difficulty);
            // The engine's size decides the check, whatever the click did to it.
            followBoard();
        });
    }

    m_helpMenu = menuBar()->addMenu(tr("&Help"));
    m_about = m_helpMenu->addAction(tr("&About Sapperly"));
    m_about->setMenuRole(QAction::AboutRole);
    connect(m_about, &QAction::triggered, this, &MainWindow::showAbout);
}

StatisticsWindow* MainWindow::statisticsWindow() const
{
    return m_statisticsWindow.data();
}

void MainWindow::showStatistics()
{
    // One window, raised again when asked for while open.
    if (!m_statisticsWindow) {
        m_statisticsWindow = new StatisticsWindow(m_engine, this);
        m_statisticsWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_statisticsWindow->show();
    m_statisticsWindow->raise();
    m_statisticsWindow->activateWindow();
}

void MainWindow::insertHelpAction(QAction* action)
{
    const QList<QAction*> actions = m_helpMenu->actions();
    const qsizetype about = actions.indexOf(m_about);
    QAction* before = about + 1 < actions.size() ? actions.at(about + 1) : nullptr;
    m_helpMenu->insertAction(before, action);
}

void MainWindow::insertGameAction(QAction* action)
{
    m_gameMenu->insertAction(m_quitSeparator, action);
}

void MainWindow::followBoard()
{
    const Difficulty difficulty = m_engine.board().difficulty;
    m_difficultyActions.at(difficulty)->setChecked(true);
    const int minimumWidth = minimumContentWidth(difficulty);
    // Read before the new limit applies: raising the minimum resizes the content at once, the
    // window around it only later.
    const int contentWidth = m_content->width();
    m_content->setMinimumSize(minimumWidth, minimumContentHeight);
    // Only a change of size widens the window; a narrower size keeps the width the player had.
    if (difficulty != m_sizedFor && contentWidth < minimumWidth)
        resize(width() + minimumWidth - contentWidth, height());
    m_sizedFor = difficulty;
}

void MainWindow::restoreWindowGeometry(const QByteArray& saved)
{
    if (!restoreGeometry(saved))
        resize(defaultSize);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    emit closing(saveGeometry());
    QMainWindow::closeEvent(event);
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    // Keys reach the window only when no focused control took them, which is exactly when
    // Return belongs to the banner's default button.
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (isReturn && plain && m_content->pressDefaultButton()) {
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::showAbout()
{
    QMessageBox::about(this, tr("About Sapperly"),
        tr("<p><b>Sapperly</b> %1</p><p>A mine-sweeping puzzle game.</p>"
           "<p>Free software under the GNU General Public License, version 3 or later.</p>")
            .arg(QStringLiteral(SAPPERLY_VERSION).toHtmlEscaped()));
}
