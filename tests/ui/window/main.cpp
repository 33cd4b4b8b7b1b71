// SPDX-License-Identifier: GPL-3.0-or-later
// Runs every window test suite in one executable.
#include "WindowTestSupport.h"

#include "ui/window/WindowTheme.h"

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The window's own look: its style draws the menus' check marks and its palette the dialogs.
    applyWindowTheme();
    // Window geometry goes to QSettings; keep it out of the real configuration.
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("sapperly-window-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("sapperly-window-tests"));
    int failures = 0;
    failures += windowtest::runLedAndStatusTests(argc, argv);
    failures += windowtest::runResultBannerTests(argc, argv);
    failures += windowtest::runContentViewTests(argc, argv);
    failures += windowtest::runMainWindowTests(argc, argv);
    failures += windowtest::runKeyboardAccessTests(argc, argv);
    failures += windowtest::runPostMortemTests(argc, argv);
    failures += windowtest::runStatisticsWindowTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
