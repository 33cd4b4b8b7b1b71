// SPDX-License-Identifier: GPL-3.0-or-later
// Game column placement and the banner's spring.
#include "ui/window/GameColumn.h"

#include <QEasingCurve>
#include <QGraphicsOpacityEffect>
#include <QResizeEvent>
#include <QVariantAnimation>

#include <cmath>
#include <numbers>

namespace {

// By 0.6 s the critically damped spring is within 0.02 % of its target; the animation ends
// there and the last step is invisible.
constexpr int springMilliseconds = 600;

double springEasing(qreal progress)
{
    if (progress >= 1)
        return 1;
    return GameColumn::springPosition(progress * springMilliseconds / 1000.0);
}

} // namespace

GameColumn::GameColumn(QWidget* statusBar, QWidget* board, QWidget* banner, QWidget* parent)
    : QWidget(parent)
    , m_statusBar(statusBar)
    , m_board(board)
    , m_banner(banner)
    , m_fade(new QGraphicsOpacityEffect(banner))
    , m_spring(new QVariantAnimation(this))
{
    for (QWidget* child : { statusBar, board, banner })
        child->setParent(this);
    m_banner->setGraphicsEffect(m_fade);
    m_banner->hide();

    QEasingCurve curve;
    curve.setCustomType(&springEasing);
    m_spring->setEasingCurve(curve);
    m_spring->setDuration(springMilliseconds);
    connect(m_spring, &QVariantAnimation::valueChanged, this,
        [this](const QVariant& value) { setProgress(value.toDouble()); });
    setProgress(0);
}

double GameColumn::springPosition(double seconds)
{
    if (seconds <= 0)
        return 0;
    // Critically damped (damping fraction 1): x(t) = 1 − (1 + ωt)·e^(−ωt), ω = 2π / response.
    const double omegaT = 2 * std::numbers::pi / springResponse * seconds;
    return 1 - (1 + omegaT) * std::exp(-omegaT);
}

bool GameColumn::isAnimating() const
{
    return m_spring->state() == QAbstractAnimation::Running;
}

void GameColumn::setBannerShown(bool shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    const double target = shown ? 1.0 : 0.0;
    m_spring->stop();
    if (!isVisible()) {
        setProgress(target);
        return;
    }
    // A reversal mid-way starts from where the banner is, so nothing jumps.
    m_spring->setStartValue(m_progress);
    m_spring->setEndValue(target);
    m_spring->start();
}

void GameColumn::settle()
{
    if (isAnimating())
        m_spring->setCurrentTime(m_spring->duration());
}

QSize GameColumn::minimumSizeHint() const
{
    return { m_statusBar->minimumSizeHint().width(), m_statusBar->sizeHint().height() };
}

bool GameColumn::event(QEvent* event)
{
    // A child's size hint changed, such as the banner gaining a line.
    if (event->type() == QEvent::LayoutRequest)
        place();
    return QWidget::event(event);
}

void GameColumn::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    place();
}

void GameColumn::setProgress(double progress)
{
    m_progress = progress;
    // Shown from the first moment it is asked for, though still transparent and out of sight.
    const bool visible = m_shown || progress > 0;
    // The effect renders off screen; it is only worth that while the banner is see-through.
    m_fade->setOpacity(progress);
    m_fade->setEnabled(progress < 1);
    if (m_banner->isVisibleTo(this) != visible)
        m_banner->setVisible(visible);
    place();
}

void GameColumn::place()
{
    const int width = this->width();
    const int height = this->height();
    const int statusHeight = m_statusBar->sizeHint().height();
    const int bannerHeight = m_banner->sizeHint().height();
    const int bannerRoom = int(std::lround(m_progress * (bannerHeight + spacing)));
    m_statusBar->setGeometry(0, 0, width, statusHeight);
    const int boardTop = statusHeight + spacing;
    m_board->setGeometry(0, boardTop, width, std::max(0, height - boardTop - bannerRoom));
    // The banner travels the same distance the board gives up, starting just below the column.
    const int bannerTop = height - bannerHeight + (bannerHeight + spacing - bannerRoom);
    m_banner->setGeometry(0, bannerTop, width, bannerHeight);
}
