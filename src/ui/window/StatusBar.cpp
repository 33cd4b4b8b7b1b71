// SPDX-License-Identifier: GPL-3.0-or-later
// Status bar layout, its counters and the clock's once-a-second refresh.
#include "ui/window/StatusBar.h"

#include "engine/GameEngine.h"
#include "ui/window/DropShadow.h"
#include "ui/window/FaceButton.h"
#include "ui/window/LEDCounter.h"
#include "ui/window/Palette.h"
#include "ui/window/PanelPainting.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QTimer>

namespace {

constexpr int padding = 12;

} // namespace

StatusBar::StatusBar(GameEngine& engine, QWidget* parent)
    : QWidget(parent)
    , m_engine(engine)
    , m_mines(new LEDCounter(this))
    , m_face(new FaceButton(this))
    , m_clock(new LEDCounter(this))
    , m_ticker(new QTimer(this))
    , m_faceShadow(std::make_unique<DropShadow>(QSizeF(FaceButton::side, FaceButton::side),
          panelCornerRadius, 6, QColor::fromRgbF(0, 0, 0, 0.35f), QPointF(0, 3)))
{
    m_mines->setObjectName(QStringLiteral("minesCounter"));
    m_clock->setObjectName(QStringLiteral("clockCounter"));
    m_mines->setAccessibleName(tr("Mines left"));
    m_clock->setAccessibleName(tr("Time"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(padding, padding, padding, padding);
    row->addWidget(m_mines, 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(m_face, 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(m_clock, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    // A precise timer: a coarse one may fire a little early and read the old second again.
    m_ticker->setTimerType(Qt::PreciseTimer);
    m_ticker->setInterval(1000);
    connect(m_ticker, &QTimer::timeout, this, &StatusBar::refreshClock);
    connect(m_face, &FaceButton::clicked, this, &StatusBar::smileyClicked);
    connect(&engine, &GameEngine::boardChanged, this, &StatusBar::refresh);
    // A clock started anew (or adopted from another machine) restarts the ticks with it.
    connect(&engine, &GameEngine::clockStartedAtChanged, this, [this] {
        m_ticker->stop();
        refresh();
    });
    connect(&engine, &GameEngine::bankedSecondsChanged, this, &StatusBar::refresh);
    refresh();
}

StatusBar::~StatusBar() = default;

bool StatusBar::isTicking() const
{
    return m_ticker->isActive();
}

void StatusBar::refreshClock()
{
    m_clock->setValue(m_engine.elapsedSeconds());
}

void StatusBar::refresh()
{
    const Board& board = m_engine.board();
    m_mines->setValue(board.minesLeft());
    m_face->setPhase(board.phase);
    refreshClock();
    const bool running = m_engine.clockStartedAt().has_value();
    // Restarting only on a change keeps the ticks in step with the clock's whole seconds.
    if (running && !m_ticker->isActive())
        m_ticker->start();
    else if (!running)
        m_ticker->stop();
}

void StatusBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintPanel(painter, QRectF(rect()), panelCornerRadius, Palette::panelFill(),
        Palette::panelBorder(), 1.0);
    m_faceShadow->paint(painter, QRectF(m_face->geometry()));
}
