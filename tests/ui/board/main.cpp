// Runs every board test suite in one executable.
#include "BoardDrawingTest.h"
#include "BoardInputTest.h"
#include "BoardLayoutTest.h"
#include "BoardTestGame.h"
#include "OpeningAnimationTest.h"

#include <QApplication>
#include <QTest>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    BoardLayoutTest layout;
    failures += QTest::qExec(&layout, argc, argv);
    BoardInputTest input;
    failures += QTest::qExec(&input, argc, argv);
    BoardDrawingTest drawing;
    failures += QTest::qExec(&drawing, argc, argv);
    OpeningAnimationTest opening;
    failures += QTest::qExec(&opening, argc, argv);
    failures += runBoardAccessibleTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
