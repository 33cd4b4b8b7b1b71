// Qt Test suite for the board's size rule.
#pragma once

#include <QObject>

class BoardLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void squareSizeFollowsTheOfferedArea();
    void viewPlacesTheSurface();
};
