// SPDX-License-Identifier: GPL-3.0-or-later
// A three-character red seven-segment style counter whose unlit "888" stays faintly visible
// behind the lit digits. Used for the mines left and the game clock.
#pragma once

#include <QWidget>

#include <cstdint>

class LEDCounter : public QWidget {
    Q_OBJECT

public:
    explicit LEDCounter(QWidget* parent = nullptr);

    [[nodiscard]] std::int64_t value() const { return m_value; }
    /// Any value is accepted; the display clamps it, the accessible value does not.
    void setValue(std::int64_t value);

    /// Always three characters: 000…999, or a minus and two digits down to -99.
    [[nodiscard]] static QString text(std::int64_t value);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::int64_t m_value = 0;
};
