// Dark palette and style.
#include "ui/window/WindowTheme.h"

#include "ui/window/Palette.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

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

void applyWindowTheme()
{
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    QApplication::setPalette(darkWindowPalette());
}
