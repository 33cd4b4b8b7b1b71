// SPDX-License-Identifier: GPL-3.0-or-later
// LED counter drawing and its text rule.
#include "ui/window/LEDCounter.h"

#include "ui/window/Palette.h"
#include "ui/window/PanelPainting.h"

#include <QAccessible>
#include <QAccessibleWidget>
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

/// A read-only number to assistive technology: the owner's name ("Mines left", "Time") and
/// the real value, unclamped, however the display has to cut it short.
class LEDCounterAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit LEDCounterAccessible(LEDCounter* counter)
        : QAccessibleWidget(counter, QAccessible::StaticText)
    {
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return QString::number(counter()->value());
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return QVariant::fromValue(counter()->value()); }
    void setCurrentValue(const QVariant&) override { }
    QVariant maximumValue() const override { return {}; }
    QVariant minimumValue() const override { return {}; }
    QVariant minimumStepSize() const override { return 1; }

private:
    [[nodiscard]] LEDCounter* counter() const { return static_cast<LEDCounter*>(widget()); }
};

QAccessibleInterface* ledCounterFactory(const QString& key, QObject* object)
{
    if (key != QLatin1String("LEDCounter"))
        return nullptr;
    if (auto* counter = qobject_cast<LEDCounter*>(object))
        return new LEDCounterAccessible(counter);
    return nullptr;
}

} // namespace

LEDCounter::LEDCounter(QWidget* parent)
    : QWidget(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&ledCounterFactory);
        return true;
    }();
    (void)factoryInstalled;
    setFont(ledFont());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LEDCounter::setValue(std::int64_t value)
{
    if (value == m_value)
        return;
    const bool textChanged = text(value) != text(m_value);
    m_value = value;
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, QVariant::fromValue(value));
        QAccessible::updateAccessibility(&event);
    }
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
