// Qt Test suite for the opening animation: its entries, its timer and its drawing.
#pragma once

#include <QObject>

class OpeningAnimationTest : public QObject {
    Q_OBJECT

private slots:
    void floodStartsTogetherAndExpires();
    void laterMovesAddLaterEntries();
    void marksAndFirstShowing();
    void difficultyChangeResets();
    void overlayShrinksAndFades();
};
