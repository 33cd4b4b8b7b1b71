// SPDX-License-Identifier: GPL-3.0-or-later
// Content layout and the new-game rule with its confirmation.
#include "ui/window/ContentView.h"

#include "engine/GameEngine.h"
#include "ui/board/BoardSurface.h"
#include "ui/board/BoardView.h"
#include "ui/window/BoardSizeMenu.h"
#include "ui/window/FaceButton.h"
#include "ui/window/Fonts.h"
#include "ui/window/GameColumn.h"
#include "ui/window/NewGameDialog.h"
#include "ui/window/Palette.h"
#include "ui/window/PostMortem.h"
#include "ui/window/ResultBanner.h"
#include "ui/window/StatusBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

ContentView::ContentView(GameEngine& engine, QWidget* parent)
    : QWidget(parent)
    , m_engine(engine)
    , m_sizeMenu(new BoardSizeMenu(engine))
    , m_statusBar(new StatusBar(engine))
    , m_board(new BoardView(engine))
    , m_banner(new ResultBanner(engine))
    , m_column(new GameColumn(m_statusBar, m_board, m_banner))
    , m_postMortem(new PostMortem(engine, this))
{
    auto* heading = new QLabel(tr("Sapperly"));
    heading->setFont(Fonts::title3());
    QPalette ink = heading->palette();
    ink.setColor(QPalette::WindowText, Palette::titleInk());
    heading->setPalette(ink);

    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(10);
    titleRow->addWidget(heading, 0, Qt::AlignVCenter);
    titleRow->addStretch(1);
    titleRow->addWidget(m_sizeMenu, 0, Qt::AlignVCenter);
    auto* titleBox = new QWidget;
    titleBox->setFixedHeight(titleRowHeight);
    titleRow->setContentsMargins(0, 0, 0, 0);
    titleBox->setLayout(titleRow);

    auto* stack = new QVBoxLayout(this);
    // No title bar floats over the content on this desktop, so the top needs no extra room.
    stack->setContentsMargins(padding, padding, padding, padding);
    stack->setSpacing(12);
    stack->addWidget(titleBox);
    stack->addWidget(m_column, 1);

    connect(m_sizeMenu, &BoardSizeMenu::chosen, this,
        [this](Difficulty difficulty) { requestNewGame(difficulty); });
    connect(m_statusBar, &StatusBar::smileyClicked, this, [this] { requestNewGame(std::nullopt); });
    connect(
        m_banner, &ResultBanner::playAgainClicked, this, [this] { requestNewGame(std::nullopt); });
    connect(&engine, &GameEngine::boardChanged, this, &ContentView::followBoard);
    connect(m_board, &BoardView::boardPlaced, this, &ContentView::followBoardPlace);
    connect(m_postMortem, &PostMortem::findingChanged, this, &ContentView::showPostMortem);
    followBoard();

    // The board comes first for the keyboard, so arrows and Space play instead of opening the
    // size menu; the controls follow in reading order.
    setTabOrder(&m_board->surface(), m_sizeMenu);
    setTabOrder(m_sizeMenu, &m_statusBar->faceButton());
    setTabOrder(&m_statusBar->faceButton(), &m_banner->playAgainButton());
    m_board->setFocus(Qt::OtherFocusReason);
}

void ContentView::requestNewGame(std::optional<Difficulty> difficulty)
{
    const Board& board = m_engine.board();
    if (difficulty == board.difficulty && board.phase == Board::Phase::ready)
        return;
    // A second request while the question is open would stack another dialog on the first.
    if (confirmNewGame())
        return;
    m_pending = difficulty;
    if (board.phase == Board::Phase::playing) {
        m_dialog = new NewGameDialog(this);
        m_dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_dialog, &QDialog::finished, this, [this, dialog = m_dialog.data()] {
            const bool confirmed = dialog->wasConfirmed();
            m_dialog = nullptr;
            if (confirmed)
                onConfirm();
            else
                onCancel();
        });
        m_dialog->open();
        return;
    }
    onConfirm();
}

void ContentView::onConfirm()
{
    const Difficulty target = m_pending.value_or(m_engine.board().difficulty);
    m_pending.reset();
    m_engine.newGame(target);
}

void ContentView::onCancel()
{
    m_pending.reset();
}

bool ContentView::pressDefaultButton()
{
    if (!m_column->isBannerShown() || !m_banner->isEnabled())
        return false;
    m_banner->playAgainButton().click();
    return true;
}

void ContentView::followBoard()
{
    const bool over = m_engine.board().isOver();
    // A game that just ended has no post-mortem yet; the line of an older one must not linger.
    if (over && !m_postMortem->finding())
        m_banner->setPostMortemLine({});
    m_column->setBannerShown(over);
}

void ContentView::showPostMortem()
{
    const std::optional<PostMortem::Finding>& finding = m_postMortem->finding();
    m_board->surface().setOutlinedSquare(PostMortem::outlined(finding));
    // While the banner slides away after a new game it keeps its line, as it keeps the rest.
    if (finding)
        m_banner->setPostMortemLine(PostMortem::text(*finding));
}

QRectF ContentView::boardRect() const
{
    const QRect board = m_board->boardRect();
    return QRectF(board.translated(m_board->mapTo(this, QPoint())));
}

void ContentView::followBoardPlace()
{
    // Both where the shadow was and where it goes now need painting afresh.
    const QRect area = BoardShadowPainter::area(boardRect());
    if (area == m_boardShadowArea)
        return;
    update(m_boardShadowArea);
    update(area);
    m_boardShadowArea = area;
}

void ContentView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(rect(), Palette::windowBackground());
    m_boardShadow.paint(painter, boardRect(), event->region());
}
