// SPDX-License-Identifier: GPL-3.0-or-later
// The updater against feeds in temporary files and on loopback HTTP servers, through the menu
// item and the dialog that shows its answer.
#include "update/Updater.h"

#include "app/CheckForUpdatesButton.h"
#include "ui/window/UpdateResultDialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;
using enum UpdateCheckResult::Outcome;

namespace {

QByteArray listing(const QByteArray& version)
{
    return "<rss version=\"2.0\"><channel><item><title>Sapperly</title><version>" + version +
        "</version><link>https://example.org/download</link></item></channel></rss>";
}

QUrl fileFeed(const QByteArray& content)
{
    auto* file = new QTemporaryFile(qApp);
    if (!file->open() || file->write(content) != content.size() || !file->flush())
        qFatal("cannot write a test feed");
    return QUrl::fromLocalFile(file->fileName());
}

QByteArray httpOk(const QByteArray& body, const QByteArray& headers = {})
{
    return "HTTP/1.1 200 OK\r\nContent-Type: application/rss+xml\r\nContent-Length: " +
        QByteArray::number(body.size()) + "\r\nConnection: close\r\n" + headers + "\r\n" + body;
}

QByteArray httpError(const QByteArray& reason)
{
    return "HTTP/1.1 500 " + reason + "\r\nContent-Length: 0\r\n\r\n";
}

/// Answers every request on 127.0.0.1 with response and closes; with dripMs, one byte at a time
/// as a hostile server may.
QUrl serve(const QByteArray& response, int dripMs = 0)
{
    auto* server = new QTcpServer(qApp);
    QObject::connect(server, &QTcpServer::newConnection, server, [=] {
        while (QTcpSocket* socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [=] {
                socket->readAll();
                auto* timer = new QTimer(socket);
                QObject::connect(
                    timer, &QTimer::timeout, socket, [=, sent = qsizetype(0)]() mutable {
                        socket->write(response.mid(sent, dripMs ? 1 : -1));
                        if ((sent += dripMs ? 1 : response.size()) >= response.size())
                            socket->disconnectFromHost();
                    });
                timer->start(dripMs);
            });
        }
    });
    server->listen(QHostAddress::LocalHost);
    return QUrl(QStringLiteral("http://127.0.0.1:%1/feed.xml").arg(server->serverPort()));
}

} // namespace

class UpdaterTest : public QObject {
    Q_OBJECT

private slots:
    void enabledOnlyThroughTheEventLoopAndWithAUsableFeed()
    {
        const QUrl good = fileFeed(listing("0.1"));
        for (const QUrl& feed :
            { good, QUrl(), QUrl("ftp://example.org/feed.xml"), QUrl("https://") }) {
            Updater updater({ feed, "1.0" });
            CheckForUpdatesButton button(updater, nullptr);
            QSignalSpy finished(&updater, &Updater::checkFinished);
            // Asked before the first value arrived, or without a usable feed, it does nothing.
            updater.checkForUpdates();
            QCoreApplication::processEvents();
            QCOMPARE(button.action()->isEnabled(), feed == good);
            if (feed != good)
                updater.checkForUpdates(), QCoreApplication::processEvents();
            QCOMPARE(finished.count(), 0);
        }
        qputenv("SAPPERLY_UPDATE_FEED", "https://example.org/feed.xml");
        QCOMPARE(Updater::standardSettings().feedUrl, QUrl("https://example.org/feed.xml"));
        qputenv("FLATPAK_ID", "io.github.sapperly.Sapperly");
        QVERIFY(Updater::standardSettings().feedUrl.isEmpty());
        qunsetenv("FLATPAK_ID");
        qunsetenv("SAPPERLY_UPDATE_FEED");
    }

    void everyAnswerShownAsPlainText()
    {
        const QString tooLong = "The update check took too long.";
        const QString tooLarge = "The update feed is larger than a release feed can be.";
        const QByteArray huge = listing("9.0").append(QByteArray(Updater::maxFeedBytes, ' '));
        // The current version, and the outcome with words the dialog must show ("" for any).
        const QList<std::tuple<QUrl, QString, UpdateCheckResult::Outcome, QString>> rows {
            { fileFeed(listing("1.10")), "1.9", updateAvailable, "Sapperly 1.10 is available" },
            { serve(httpOk(listing("3.0"))), "2.5", updateAvailable, "3.0" },
            { fileFeed(listing("1.2")), "1.2.0", upToDate, "newest version" },
            { fileFeed(listing("1.1.9")), "1.2.0", upToDate, "" },
            { fileFeed("<rss version=\"2.0\"><channel/></rss>"), "1.2.0", upToDate, "" },
            { QUrl::fromLocalFile("/nonexistent/sapperly/feed.xml"), "1.0", failed, "" },
            { fileFeed("<html><body>Moved</body></html>"), "1.0", failed, "" },
            { fileFeed(listing("2.0").chopped(8)), "1.0", failed, "" },
            { serve("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"), "1.0", failed, "" },
            { serve(""), "1.0", failed, "" }, // closed without an answer
            { serve(httpOk(huge)), "1.0", failed, tooLarge },
            // Only beyond the limit once inflated (qCompress puts a length before the stream).
            { serve(httpOk(qCompress(huge, 9).mid(4), "Content-Encoding: deflate\r\n")), "1.0",
                failed, tooLarge },
            // A byte every 20 ms never trips the transfer timeout, and would take minutes.
            { serve(httpOk(listing("9.0").append(4000, ' ')), 20), "1.0", failed, tooLong },
            // Reason phrases and feeds that as rich text would load a file or open one.
            { serve(httpError("<img src=\"/dev/zero\">")), "1.0", failed,
                "<img src=\"/dev/zero\">" },
            { serve(httpError("<a href=\"file:///etc/passwd\">x</a>")), "1.0", failed,
                "<a href=\"file:///etc/passwd\">" },
            { serve(httpError(QByteArray(5000, 'x'))), "1.0", failed, "xxxx\u2026" },
            { serve(httpOk(listing("9.0+&lt;a href='file:///etc/passwd'&gt;x"))), "1.0", failed,
                "no item in the feed names a version" },
        };
        for (const auto& [feed, current, outcome, shown] : rows) {
            Updater updater({ feed, current, shown == tooLong ? 300ms : 30'000ms });
            CheckForUpdatesButton button(updater, nullptr);
            QAction* item = button.action();
            QCOMPARE(item->text(), QString::fromUtf8("Check for Updates\u2026"));
            QVERIFY(!item->isEnabled());
            QTRY_VERIFY(item->isEnabled());
            // One check at a time: the item is off while it runs, and back on after it.
            QSignalSpy changed(&updater, &Updater::canCheckForUpdatesChanged);
            QSignalSpy finished(&updater, &Updater::checkFinished);
            item->trigger();
            QVERIFY(!item->isEnabled());
            item->trigger();
            QVERIFY(finished.wait(5000));
            QCoreApplication::processEvents();
            QVERIFY(finished.count() == 1 && changed.count() == 2 && item->isEnabled());
            const auto result = finished.at(0).at(0).value<UpdateCheckResult>();
            QCOMPARE(result.outcome, outcome);
            QCOMPARE(result.downloadPage.value_or(QUrl()),
                QUrl(outcome == updateAvailable ? "https://example.org/download" : ""));
            QVERIFY(outcome != failed || !result.problem.isEmpty());
            std::unique_ptr<UpdateResultDialog> dialog;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* found = qobject_cast<UpdateResultDialog*>(widget);
                    found && found->isVisible())
                    dialog.reset(found);
            QVERIFY(dialog);
            QVERIFY2((dialog->text() + '\n' + dialog->informativeText()).contains(shown),
                qPrintable(shown));
            QVERIFY(
                dialog->informativeText().size() < 400 && dialog->textFormat() == Qt::PlainText);
            for (const QLabel* label : dialog->findChildren<QLabel*>()) {
                QCOMPARE(label->textFormat(), Qt::PlainText);
                QVERIFY(!label->openExternalLinks());
                QVERIFY(!(label->textInteractionFlags() & Qt::LinksAccessibleByMouse));
            }
        }
    }

    void theDownloadButtonOpensOnlyThePage()
    {
        UpdateCheckResult result { updateAvailable, "1.0", "1.1", QUrl("https://example.org/1.1"),
            {} };
        QList<QUrl> opened;
        UpdateResultDialog dialog(
            result, nullptr, [&](const QUrl& url) { return opened.append(url), true; });
        dialog.show();
        dialog.downloadButton()->click();
        QCOMPARE(opened, QList<QUrl> { *result.downloadPage });
        // An up-to-date answer offers no download; without a page there is nothing to open.
        result.outcome = upToDate;
        QVERIFY(!UpdateResultDialog(result).downloadButton());
        result.outcome = updateAvailable;
        result.downloadPage.reset();
        QVERIFY(!UpdateResultDialog(result).downloadButton());
    }
};

QTEST_MAIN(UpdaterTest)
#include "UpdaterTest.moc"
