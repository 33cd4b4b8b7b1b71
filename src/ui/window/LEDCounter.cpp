// LED counter drawing and its text rule.
#include "ui/window/LEDCounter.h"

#include "ui/window/Palette.h"
#include "ui/window/PanelPainting.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int horizontalPadding = 12;
constexpr int verticalPadding = 5;
constexpr qreal cornerRadius = 10;

QFont ledFont()
{
    // A monospaced bold face whose 8 covers every other digit, so the ghost lines up.
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setBold(true);
    font.setPixelSize(30);
    return font;
}

} // namespace

LEDCounter::LEDCounter(QWidget* parent)
    : QWidget(parent)
{
    setFont(ledFont());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("0"));
}

void LEDCounter::setValue(std::int64_t value)
{
    if (value == m_value)
        return;
    const bool textChanged = text(value) != text(m_value);
    m_value = value;
    setAccessibleName(QString::number(value));
    if (textChanged)
        update();
}

QString LEDCounter::text(std::int64_t value)
{
    const std::int64_t shown = std::clamp<std::int64_t>(value, -99, 999);
    if (value >= 0)
        return QStringLiteral("%1").arg(shown, 3, 10, QLatin1Char('0'));
    return QStringLiteral("-%1").arg(-shown, 2, 10, QLatin1Char('0'));
}

QSize LEDCounter::sizeHint() const
{
    const QFontMetrics metrics(font());
    return { metrics.horizontalAdvance(QStringLiteral("888")) + 2 * horizontalPadding,
        metrics.height() + 2 * verticalPadding };
}

void LEDCounter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintPanel(painter, QRectF(rect()), cornerRadius, QColor::fromRgbF(0, 0, 0, 0.85f),
        Palette::withOpacity(Qt::white, 0.08), 1.0);
    painter.setFont(font());
    painter.setPen(Palette::ledGhost());
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("888"));
    painter.setPen(Palette::ledLit());
    painter.drawText(rect(), Qt::AlignCenter, text(m_value));
}
