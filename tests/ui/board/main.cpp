// SPDX-License-Identifier: GPL-3.0-or-later
// Runs every board test suite in one executable.
#include "BoardTestGame.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    for (const auto run : { runBoardLayoutTests, runBoardInputTests, runBoardDrawingTests,
             runOpeningAnimationTests, runBoardAccessibleTests })
        failures += run(argc, argv);
    return failures == 0 ? 0 : 1;
}
