// SPDX-License-Identifier: GPL-3.0-or-later
// The updater's enabled state and its checks, against feeds in temporary files and on a
// loopback HTTP server; and the menu item and dialog built on it.
#include "update/Updater.h"

#include "app/CheckForUpdatesButton.h"
#include "ui/window/UpdateResultDialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QByteArray feedListing(const char* version)
{
    return QByteArray("<rss version=\"2.0\"><channel><item><title>Sapperly</title><version>") +
        version + "</version><link>https://example.org/download</link></item></channel></rss>";
}

// Answers every request on 127.0.0.1 with one fixed response, then closes the connection; with
// a drip interval it sends the response one byte at a time, as a hostile server may.
class OneResponseServer : public QTcpServer {
public:
    explicit OneResponseServer(const QByteArray& response, int dripMs = 0)
    {
        connect(this, &QTcpServer::newConnection, this, [this, response, dripMs] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, socket, [socket, response, dripMs] {
                    socket->readAll();
                    if (dripMs == 0) {
                        socket->write(response);
                        return socket->disconnectFromHost();
                    }
                    auto* drip = new QTimer(socket);
                    connect(drip, &QTimer::timeout, socket, [socket, response, sent = 0]() mutable {
                        if (sent < response.size())
                            socket->write(response.mid(sent++, 1));
                    });
                    drip->start(dripMs);
                });
            }
        });
        listen(QHostAddress::LocalHost, 0);
    }
    [[nodiscard]] QUrl url() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/feed.xml").arg(serverPort()));
    }
};

QByteArray httpOk(const QByteArray& body, const QByteArray& extraHeaders = {})
{
    return "HTTP/1.1 200 OK\r\nContent-Type: application/rss+xml\r\nContent-Length: " +
        QByteArray::number(body.size()) + "\r\nConnection: close\r\n" + extraHeaders + "\r\n" +
        body;
}

UpdateResultDialog* visibleDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<UpdateResultDialog*>(widget); found && found->isVisible())
            return found;
    return nullptr;
}

} // namespace

class UpdaterTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QUrl fileFeed(const QString& name, const QByteArray& content)
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write a test feed");
        return QUrl::fromLocalFile(file.fileName());
    }

    // Runs one check to its end, asking twice: no second check may start while one runs, and the
    // item comes back afterwards.
    static UpdateCheckResult check(Updater& updater)
    {
        QDeadlineTimer ready(5000);
        while (!updater.canCheckForUpdates() && !ready.hasExpired())
            QTest::qWait(10);
        QSignalSpy changed(&updater, &Updater::canCheckForUpdatesChanged);
        QSignalSpy finished(&updater, &Updater::checkFinished);
        updater.checkForUpdates();
        const bool busy = !updater.canCheckForUpdates();
        updater.checkForUpdates();
        if (!busy || !finished.wait(5000))
            qFatal("the check was not busy, or never finished");
        QCoreApplication::processEvents();
        if (finished.count() != 1 || changed.count() != 2 || !updater.canCheckForUpdates())
            qFatal("a second check ran, or the item did not come back");
        return finished.first().first().value<UpdateCheckResult>();
    }

private slots:
    void enabledOnlyThroughTheEventLoopAndWithAUsableFeed()
    {
        const QUrl good = fileFeed("feed.xml", feedListing("0.1"));
        for (const QUrl& feed :
            { good, QUrl(), QUrl("ftp://example.org/feed.xml"), QUrl("https://") }) {
            Updater updater({ feed, "1.0" });
            QSignalSpy changed(&updater, &Updater::canCheckForUpdatesChanged);
            QSignalSpy finished(&updater, &Updater::checkFinished);
            QVERIFY(!updater.canCheckForUpdates());
            // Asked before the first value arrived, the updater does nothing.
            updater.checkForUpdates();
            QCoreApplication::processEvents();
            QCOMPARE(updater.canCheckForUpdates(), feed == good);
            QCOMPARE(changed.count(), feed == good ? 1 : 0);
            if (feed == good)
                continue;
            updater.checkForUpdates();
            QCoreApplication::processEvents();
            QCOMPARE(finished.count(), 0);
        }
        qputenv("SAPPERLY_UPDATE_FEED", "https://example.org/feed.xml");
        QCOMPARE(Updater::standardSettings().feedUrl, QUrl("https://example.org/feed.xml"));
        qputenv("FLATPAK_ID", "io.github.sapperly.Sapperly");
        QVERIFY(Updater::standardSettings().feedUrl.isEmpty());
        qunsetenv("FLATPAK_ID");
        qunsetenv("SAPPERLY_UPDATE_FEED");
    }

    void checksAndTheirAnswers()
    {
        // Over HTTP: an error status, a connection closed without an answer, a body beyond the
        // limit, one that only grows beyond it once decompressed, and one dripped a byte every
        // 20 ms, which never trips the transfer timeout and would take minutes.
        OneResponseServer http(httpOk(feedListing("3.0")));
        OneResponseServer notFound("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        OneResponseServer silent("");
        const QByteArray huge = feedListing("9.0").append(QByteArray(Updater::maxFeedBytes, ' '));
        OneResponseServer oversized(httpOk(huge));
        // qCompress writes a zlib stream after a four-byte length: the body of "deflate".
        OneResponseServer inflating(
            httpOk(qCompress(huge, 9).mid(4), "Content-Encoding: deflate\r\n"));
        OneResponseServer dripping(httpOk(feedListing("9.0").append(4000, ' ')), 20);
        const QString tooLong = "The update check took too long.";
        const QString tooLarge = "The update feed is larger than a release feed can be.";
        using enum UpdateCheckResult::Outcome;
        // The newest version for an update, the problem for a failure ("" for any words at all).
        const QList<std::tuple<QUrl, QString, UpdateCheckResult::Outcome, QString>> cases {
            { fileFeed("newer.xml", feedListing("1.10")), "1.9", updateAvailable, "1.10" },
            { http.url(), "2.5", updateAvailable, "3.0" },
            { fileFeed("same.xml", feedListing("1.2")), "1.2.0", upToDate, "" },
            { fileFeed("older.xml", feedListing("1.1.9")), "1.2.0", upToDate, "" },
            { fileFeed("empty.xml", "<rss version=\"2.0\"><channel/></rss>"), "1.2.0", upToDate,
                "" },
            { QUrl::fromLocalFile(m_dir.filePath("missing.xml")), "1.0", failed, "" },
            { fileFeed("page.html", "<html><body>Moved</body></html>"), "1.0", failed, "" },
            { fileFeed("cut.xml", feedListing("2.0").chopped(8)), "1.0", failed, "" },
            { notFound.url(), "1.0", failed, "" }, { silent.url(), "1.0", failed, "" },
            { oversized.url(), "1.0", failed, tooLarge },
            { inflating.url(), "1.0", failed, tooLarge }, { dripping.url(), "1.0", failed, tooLong }
        };
        for (const auto& [feed, current, outcome, expected] : cases) {
            using namespace std::chrono_literals;
            Updater updater({ feed, current, expected == tooLong ? 300ms : 30'000ms });
            const auto result = check(updater);
            QCOMPARE(result.outcome, outcome);
            QCOMPARE(result.downloadPage.has_value(), outcome == updateAvailable);
            if (outcome == updateAvailable) {
                QCOMPARE(result.newestVersion, expected);
                QCOMPARE(result.downloadPage, QUrl("https://example.org/download"));
            }
            if (outcome == failed)
                QVERIFY(!result.problem.isEmpty());
            if (outcome == failed && !expected.isEmpty())
                QCOMPARE(result.problem, expected);
        }
    }

    void whatTheServerSaysIsShownAsPlainText()
    {
        // Reason phrases and feed contents that would load a file, or open one, as rich text;
        // a version whose build data is markup makes its item unreadable; and a plain answer,
        // through the menu item, which is off while the updater is not ready or busy.
        const auto error = [](const QByteArray& reason) {
            return "HTTP/1.1 500 " + reason + "\r\nContent-Length: 0\r\n\r\n";
        };
        const QList<QPair<QByteArray, QString>> cases {
            { error("<img src=\"/dev/zero\">"), "<img src=\"/dev/zero\">" },
            { error("<a href=\"file:///etc/passwd\">details</a>"),
                "<a href=\"file:///etc/passwd\">" },
            { error(QByteArray(5000, 'x')), "xxxx\u2026" },
            { httpOk(feedListing("9.0+&lt;a href='file:///etc/passwd'&gt;x")),
                "no item in the feed names a version" },
            { httpOk(feedListing("4.0")), "4.0" },
        };
        for (const auto& [response, shown] : cases) {
            OneResponseServer server(response);
            Updater updater({ server.url(), "1.0" });
            CheckForUpdatesButton button(updater, nullptr);
            QAction* action = button.action();
            QCOMPARE(action->text(), QString::fromUtf8("Check for Updates\u2026"));
            QVERIFY(!action->isEnabled());
            QTRY_VERIFY(action->isEnabled());
            QSignalSpy finished(&updater, &Updater::checkFinished);
            action->trigger();
            QVERIFY(!action->isEnabled());
            action->trigger();
            QVERIFY(finished.wait(5000));
            QCoreApplication::processEvents();
            QCOMPARE(finished.count(), 1);
            QVERIFY(action->isEnabled());
            UpdateResultDialog* dialog = visibleDialog();
            QVERIFY(dialog);
            const QString said = dialog->text() + '\n' + dialog->informativeText();
            QVERIFY2(said.contains(shown), qPrintable(shown));
            QVERIFY(dialog->informativeText().size() < 400);
            QCOMPARE(dialog->textFormat(), Qt::PlainText);
            for (const QLabel* label : dialog->findChildren<QLabel*>()) {
                QCOMPARE(label->textFormat(), Qt::PlainText);
                QVERIFY(!label->openExternalLinks());
                QVERIFY(!(label->textInteractionFlags() & Qt::LinksAccessibleByMouse));
            }
            delete dialog;
        }
    }

    void theDownloadButtonOpensOnlyThePage()
    {
        UpdateCheckResult available, upToDate;
        available.outcome = UpdateCheckResult::Outcome::updateAvailable;
        upToDate.outcome = UpdateCheckResult::Outcome::upToDate;
        available.newestVersion = "1.1";
        available.downloadPage = QUrl("https://example.org/1.1");
        QList<QUrl> opened;
        UpdateResultDialog dialog(available, nullptr, [&](const QUrl& url) {
            opened.append(url);
            return true;
        });
        QVERIFY(dialog.downloadButton());
        dialog.show();
        dialog.downloadButton()->click();
        QCOMPARE(opened, QList<QUrl> { QUrl("https://example.org/1.1") });
        // Without a page there is nothing to open; an up-to-date answer offers no download.
        available.downloadPage.reset();
        QVERIFY(!UpdateResultDialog(available).downloadButton());
        UpdateResultDialog newest(upToDate);
        QVERIFY(!newest.downloadButton());
        QVERIFY(newest.text().contains("newest version"));
    }
};

QTEST_MAIN(UpdaterTest)
#include "UpdaterTest.moc"
