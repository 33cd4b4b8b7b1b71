// SPDX-License-Identifier: GPL-3.0-or-later
// The face in the middle of the status bar: shows how the game stands and starts a new one
// when pressed. Its shadow is painted by the status bar, which owns the space around it.
#pragma once

#include "model/Board.h"

#include <QAbstractButton>

class FaceButton : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int side = 54;

    explicit FaceButton(QWidget* parent = nullptr);

    void setPhase(Board::Phase phase);
    [[nodiscard]] Board::Phase phase() const { return m_phase; }

    /// The emoji for a phase: dizzy when lost, sunglasses when won, a smile otherwise.
    [[nodiscard]] static QString face(Board::Phase phase);
    /// What the button's accessible description says of the game, for those who cannot see
    /// the face.
    [[nodiscard]] static QString phaseDescription(Board::Phase phase);

    [[nodiscard]] QSize sizeHint() const override { return { side, side }; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Board::Phase m_phase = Board::Phase::ready;
};
