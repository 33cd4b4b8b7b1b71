// The backdrop the board surface sits on: transparent, with the board's drop shadow painted
// under the surface. It fills the board view, or sits inside the scroll area when the board
// scrolls.
#pragma once

#include <QImage>
#include <QWidget>

class BoardCanvas : public QWidget {
    Q_OBJECT

public:
    explicit BoardCanvas(QWidget* parent = nullptr);

    /// The child whose shadow is painted; the canvas does not own it beyond parenthood.
    void setBoard(QWidget* board) { m_board = board; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* m_board = nullptr;
    QImage m_shadow;
    QSizeF m_shadowSize;
};
