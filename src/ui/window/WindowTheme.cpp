// SPDX-License-Identifier: GPL-3.0-or-later
// Dark palette and style.
#include "ui/window/WindowTheme.h"

#include "ui/window/Palette.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

#include <algorithm>

namespace {

/// Fusion with one change: a checked menu item shows a check mark before its title, also in an
/// exclusive group, where Fusion would draw a radio bullet.
class WindowStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget) const override
    {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element != CE_MenuItem || item == nullptr ||
            item->checkType == QStyleOptionMenuItem::NotCheckable) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        // The item keeps its room for the mark; only the mark itself is drawn here.
        QStyleOptionMenuItem unmarked(*item);
        unmarked.checkType = QStyleOptionMenuItem::NotCheckable;
        unmarked.checked = false;
        QProxyStyle::drawControl(element, &unmarked, painter, widget);
        if (item->checked)
            drawCheckMark(*item, *painter);
    }

private:
    void drawCheckMark(const QStyleOptionMenuItem& item, QPainter& painter) const
    {
        // Fusion's check column: a few pixels in, as wide as the widest icon but at least 20.
        const int column = std::max(item.maxIconWidth, 20);
        const QRect slot = visualRect(item.direction, item.rect,
            QRect(item.rect.x() + 4, item.rect.y(), column, item.rect.height()));
        const qreal side = std::min(slot.width(), slot.height()) * 0.5;
        const QRectF box(QPointF(slot.center()) - QPointF(side / 2, side / 2), QSizeF(side, side));
        QPainterPath mark;
        mark.moveTo(box.left(), box.top() + side * 0.55);
        mark.lineTo(box.left() + side * 0.38, box.bottom() - side * 0.08);
        mark.lineTo(box.right(), box.top() + side * 0.1);

        const bool selected = item.state.testFlag(State_Selected);
        const bool enabled = item.state.testFlag(State_Enabled);
        const QPalette::ColorGroup group = enabled ? QPalette::Normal : QPalette::Disabled;
        const QColor ink = item.palette.color(
            group, selected && enabled ? QPalette::HighlightedText : QPalette::Text);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal line = std::max(1.5, side / 6);
        painter.setPen(QPen(ink, line, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(mark);
        painter.restore();
    }
};

} // namespace

QPalette darkWindowPalette()
{
    const QColor background = Palette::windowBackground();
    const QColor panel = Palette::panelFill();
    const QColor ink = Palette::titleInk();
    const QColor quiet = Palette::secondaryInk();
    QPalette palette;
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, ink);
    palette.setColor(QPalette::Base, background.darker(115));
    palette.setColor(QPalette::AlternateBase, panel);
    palette.setColor(QPalette::ToolTipBase, panel);
    palette.setColor(QPalette::ToolTipText, ink);
    palette.setColor(QPalette::PlaceholderText, quiet);
    palette.setColor(QPalette::Text, ink);
    palette.setColor(QPalette::Button, panel.lighter(115));
    palette.setColor(QPalette::ButtonText, ink);
    palette.setColor(QPalette::BrightText, Palette::ledLit());
    palette.setColor(QPalette::Light, panel.lighter(160));
    palette.setColor(QPalette::Midlight, panel.lighter(130));
    palette.setColor(QPalette::Mid, panel.darker(120));
    palette.setColor(QPalette::Dark, background.darker(150));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Highlight, Palette::accent());
    palette.setColor(QPalette::HighlightedText, background);
    palette.setColor(QPalette::Link, Palette::accent());
    palette.setColor(QPalette::LinkVisited, Palette::accent().darker(120));
    for (const auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        palette.setColor(QPalette::Disabled, role, quiet.darker(140));
    palette.setColor(QPalette::Disabled, QPalette::Button, panel);
    return palette;
}

QIcon applicationIcon()
{
    return QIcon(QStringLiteral(":/icons/io.github.sapperly.Sapperly.svg"));
}

void applyWindowTheme()
{
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(new WindowStyle(fusion));
    QApplication::setPalette(darkWindowPalette());
    QApplication::setWindowIcon(applicationIcon());
}
