// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics window: its cells for every kind of record, live updates from another machine,
// and the one window the Game menu opens.
#include "ui/window/StatisticsWindow.h"

#include "WindowTestSupport.h"

#include "ui/window/MainWindow.h"

#include <QAction>
#include <QTest>

namespace {

using Column = StatisticsWindow::Column;

class StatisticsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void cellTexts()
    {
        struct Case {
            Record record;
            QStringList texts;
        };
        const QString dash = QStringLiteral("\u2014");
        const std::vector<Case> cases {
            // Nothing played: no rate, no best.
            { Record {}, { "0", "0", dash, dash } },
            { Record { 3, 2, 43 }, { "3", "2", "67%", "43s" } },
            // Halves round up; losses only.
            { Record { 8, 1, 600 }, { "8", "1", "13%", "600s" } },
            { Record { 5, 0, std::nullopt }, { "5", "0", "0%", dash } },
            // Counts from elsewhere that make no sense still read as a rate.
            { Record { 2, 9, 1 }, { "2", "9", "100%", "1s" } },
            { Record { -4, 1, std::nullopt }, { "-4", "1", dash, dash } },
        };
        for (const Case& c : cases) {
            QStringList texts;
            for (const Column column : StatisticsWindow::columns)
                texts << StatisticsWindow::cellText(c.record, column);
            QCOMPARE(texts, c.texts);
        }
    }

    void followsRecordsFromAnotherMachine()
    {
        TwoFolders folders;
        FakeClock clock;
        const auto engine = makeEngine(folders.both(), clock);
        StatisticsWindow window(*engine);
        QCOMPARE(window.windowTitle(), QStringLiteral("Statistics"));
        QCOMPARE(window.text(Difficulty::expert, Column::played), QStringLiteral("0"));

        QVERIFY(writeStored(folders.cloud, recordsKey,
            recordsBytes({ { Difficulty::expert, Record { 3, 2, 43 } } })));
        engine->rescanSyncFolder();
        QTRY_COMPARE(window.text(Difficulty::expert, Column::winRate), QStringLiteral("67%"));
        QCOMPARE(window.text(Difficulty::expert, Column::bestTime), QStringLiteral("43s"));
        QCOMPARE(window.text(Difficulty::beginner, Column::winRate), QStringLiteral("\u2014"));
        // Showing them wrote nothing.
        QVERIFY(!readStored(folders.local, recordsKey));
    }

    void gameMenuOpensOneWindow()
    {
        windowtest::TestGame game;
        MainWindow window(*game.engine);
        QCOMPARE(window.statisticsAction()->text(), QStringLiteral("Statistics\u2026"));
        window.statisticsAction()->trigger();
        StatisticsWindow* opened = window.statisticsWindow();
        QVERIFY(opened && opened->isVisible() && opened->isWindow());
        window.statisticsAction()->trigger();
        QCOMPARE(window.statisticsWindow(), opened);
    }
};

} // namespace

int windowtest::runStatisticsWindowTests(int argc, char** argv)
{
    StatisticsWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "StatisticsWindowTest.moc"
