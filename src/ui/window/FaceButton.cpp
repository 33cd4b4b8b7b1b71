// SPDX-License-Identifier: GPL-3.0-or-later
// Face button drawing.
#include "ui/window/FaceButton.h"

#include "ui/window/Palette.h"
#include "ui/window/PanelPainting.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

namespace {

QFont emojiFont()
{
    // Named explicitly: left to fallback, some faces come out in a monochrome symbol font.
    QFont font(QStringLiteral("Noto Color Emoji"));
    font.setPixelSize(30);
    return font;
}

} // namespace

FaceButton::FaceButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setFixedSize(side, side);
    setFont(emojiFont());
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setToolTip(tr("New game (Ctrl+N)"));
    setAccessibleName(tr("New game"));
    setText(face(m_phase));
    setAccessibleDescription(phaseDescription(m_phase));
}

void FaceButton::setPhase(Board::Phase phase)
{
    if (phase == m_phase)
        return;
    m_phase = phase;
    setText(face(phase));
    setAccessibleDescription(phaseDescription(phase));
    update();
}

QString FaceButton::face(Board::Phase phase)
{
    switch (phase) {
    case Board::Phase::lost:
        return QStringLiteral("\U0001F635");
    case Board::Phase::won:
        return QStringLiteral("\U0001F60E");
    case Board::Phase::ready:
    case Board::Phase::playing:
        break;
    }
    return QStringLiteral("\U0001F642");
}

QString FaceButton::phaseDescription(Board::Phase phase)
{
    switch (phase) {
    case Board::Phase::ready:
        return tr("Game not started");
    case Board::Phase::playing:
        return tr("Game in progress");
    case Board::Phase::won:
        return tr("Game won");
    case Board::Phase::lost:
        return tr("Game lost");
    }
    return {};
}

void FaceButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The plain press feedback: the whole face dims while the button is held down.
    if (isDown())
        painter.setOpacity(0.7);
    const QRectF square(0, 0, side, side);
    QLinearGradient gradient(square.topLeft(), square.bottomLeft());
    gradient.setColorAt(0, Palette::tileTop());
    gradient.setColorAt(1, Palette::tileBottom());
    paintPanel(
        painter, square, panelCornerRadius, gradient, Palette::withOpacity(Qt::white, 0.5), 0.8);
    painter.setFont(font());
    painter.drawText(square, Qt::AlignCenter, text());
    if (hasFocus()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Palette::accent(), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(
            square.adjusted(1, 1, -1, -1), panelCornerRadius - 1, panelCornerRadius - 1);
    }
}
