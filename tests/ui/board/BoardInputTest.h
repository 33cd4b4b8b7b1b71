// Qt Test suite for what each mouse button, modifier and hold does on the board.
#pragma once

#include <QObject>

class BoardInputTest : public QObject {
    Q_OBJECT

private slots:
    void plainClickMapsToTheSquare();
    void controlClickMarksAndOtherModifiersClick();
    void pressAndHoldMarksWhereReleased();
    void rightAndMiddleActOnThePress();
    void flagModeMarksInsteadOfUncovering();
    void keysMoveTheCursorAndPlay();
    void cursorRingShowsOnlyInKeyboardUse();
    void heldPressShowsWhatReleaseWillDo();
};
