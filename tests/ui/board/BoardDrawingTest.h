// Qt Test suite for what the board surface paints: colours at known spots of known squares.
#pragma once

#include <QObject>

class BoardDrawingTest : public QObject {
    Q_OBJECT

private slots:
    void squaresInPlay();
    void lostBoard();
    void wonBoard();
    void gapsStayCrispAtEveryPixelRatio();
    void shadowFallsBelowTheBoard();
};
