// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop pieces wired into the real window: where the menu items land, and a second launch
// on the same data folder bringing the window up.
#include "app/DesktopIntegration.h"

#include "app/CommandLine.h"
#include "app/SapperlyApp.h"
#include "app/SingleInstance.h"
#include "ui/window/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QMenu* menuTitled(MainWindow& window, const QString& title)
{
    for (QAction* action : window.menuBar()->actions())
        if (action->menu() && action->text().remove(u'&') == title)
            return action->menu();
    return nullptr;
}

QStringList titlesOf(const QMenu& menu)
{
    QStringList titles;
    for (const QAction* action : menu.actions())
        titles.append(action->isSeparator() ? QStringLiteral("-") : action->text().remove(u'&'));
    return titles;
}

} // namespace

class DesktopIntegrationTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        // Everything the game reads and writes goes to the temporary folder.
        qputenv("XDG_DATA_HOME", m_dir.filePath("data").toUtf8());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath("config").toUtf8());
        qunsetenv("SAPPERLY_SYNC_FOLDER");
        QFile feed(m_dir.filePath("feed.xml"));
        QVERIFY(feed.open(QIODevice::WriteOnly) &&
            feed.write("<rss version=\"2.0\"><channel/></rss>") > 0);
        qputenv("SAPPERLY_UPDATE_FEED", QUrl::fromLocalFile(feed.fileName()).toEncoded());
    }

    void menuItemsLandInTheirMenusAndASecondLaunchRaisesTheWindow()
    {
        auto& application = *qobject_cast<QApplication*>(QCoreApplication::instance());
        const QString dataFolder = CommandLine::standardDataFolder();
        QVERIFY(dataFolder.startsWith(m_dir.path()));
        SingleInstance instance(dataFolder);
        QCOMPARE(instance.claim(), SingleInstance::Claim::first);
        SapperlyApp app(application, { dataFolder, std::nullopt }, false);
        DesktopIntegration desktop(app, instance);
        QMenu* help = menuTitled(app.window(), "Help");
        QMenu* game = menuTitled(app.window(), "Game");
        QVERIFY(help && game);
        QVERIFY(titlesOf(*game).contains(QString::fromUtf8("Sync Folder\u2026")));
        // Right after "About Sapperly", disabled until the event loop has run.
        const QStringList helpTitles = titlesOf(*help);
        const qsizetype about = helpTitles.indexOf("About Sapperly");
        QVERIFY(about >= 0);
        QCOMPARE(helpTitles.value(about + 1), QString::fromUtf8("Check for Updates\u2026"));
        QAction* check = help->actions().at(about + 1);
        QVERIFY(!check->isEnabled());
        QTRY_VERIFY(check->isEnabled());
        // The window is not shown yet; a second launch on the folder brings it up.
        QVERIFY(!app.window().isVisible());
        SingleInstance second(dataFolder);
        QCOMPARE(second.claim(), SingleInstance::Claim::alreadyRunning);
        QTRY_VERIFY(app.window().isVisible());
    }
};

QTEST_MAIN(DesktopIntegrationTest)
#include "DesktopIntegrationTest.moc"
