// SPDX-License-Identifier: GPL-3.0-or-later
// The updater's enabled state and its checks, against feeds in temporary files and on a
// loopback HTTP server; and the menu item and dialog built on it.
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
    explicit OneResponseServer(QByteArray response, int dripMs = 0)
        : m_response(std::move(response))
    {
        connect(this, &QTcpServer::newConnection, this, [this, dripMs] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket, dripMs] {
                    socket->readAll();
                    if (dripMs == 0) {
                        socket->write(m_response);
                        socket->disconnectFromHost();
                        return;
                    }
                    auto* drip = new QTimer(socket);
                    connect(drip, &QTimer::timeout, socket, [this, socket, sent = 0]() mutable {
                        if (sent < m_response.size())
                            socket->write(m_response.mid(sent++, 1));
                    });
                    drip->start(dripMs);
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        listen(QHostAddress::LocalHost, 0);
    }
    [[nodiscard]] QUrl url() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/feed.xml").arg(serverPort()));
    }

private:
    QByteArray m_response;
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

private:
    QTemporaryDir m_dir;

    QUrl fileFeed(const QString& name, const QByteArray& content)
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write a test feed");
        return QUrl::fromLocalFile(file.fileName());
    }

    // Runs one check to its end and returns what it found.
    static UpdateCheckResult check(Updater& updater)
    {
        QSignalSpy finished(&updater, &Updater::checkFinished);
        updater.checkForUpdates();
        if (!finished.wait(5000))
            qFatal("the check never finished");
        return finished.first().first().value<UpdateCheckResult>();
    }

    static void waitUntilReady(Updater& updater)
    {
        QTRY_VERIFY_WITH_TIMEOUT(updater.canCheckForUpdates(), 5000);
    }

private slots:
    void enabledOnlyAfterTheEventLoopRan()
    {
        Updater updater({ fileFeed("feed.xml", feedListing("0.1")), "1.0" });
        QSignalSpy changed(&updater, &Updater::canCheckForUpdatesChanged);
        QVERIFY(!updater.canCheckForUpdates());
        // Asked before the first value arrived, the updater does nothing.
        updater.checkForUpdates();
        QCoreApplication::processEvents();
        QVERIFY(updater.canCheckForUpdates());
        QCOMPARE(changed.count(), 1);
    }

    void withoutAUsableFeedItStaysDisabled()
    {
        for (const QUrl& feed : { QUrl(), QUrl("ftp://example.org/feed.xml"), QUrl("https://") }) {
            Updater updater({ feed, "1.0" });
            QSignalSpy changed(&updater, &Updater::canCheckForUpdatesChanged);
            QSignalSpy finished(&updater, &Updater::checkFinished);
            QCoreApplication::processEvents();
            updater.checkForUpdates();
            QCoreApplication::processEvents();
            QVERIFY2(!updater.canCheckForUpdates(), qPrintable(feed.toString()));
            QCOMPARE(changed.count(), 0);
            QCOMPARE(finished.count(), 0);
        }
    }

    void flatpakTurnsTheFeedOff()
    {
        qputenv("SAPPERLY_UPDATE_FEED", "https://example.org/feed.xml");
        QCOMPARE(Updater::standardSettings().feedUrl, QUrl("https://example.org/feed.xml"));
        qputenv("FLATPAK_ID", "io.github.sapperly.Sapperly");
        QVERIFY(Updater::standardSettings().feedUrl.isEmpty());
        qunsetenv("FLATPAK_ID");
        qunsetenv("SAPPERLY_UPDATE_FEED");
    }

    void aNewerReleaseIsReportedWithItsPage()
    {
        Updater updater({ fileFeed("newer.xml", feedListing("1.10")), "1.9" });
        waitUntilReady(updater);
        QSignalSpy changed(&updater, &Updater::canCheckForUpdatesChanged);
        QSignalSpy finished(&updater, &Updater::checkFinished);
        updater.checkForUpdates();
        // No second check while one runs.
        QVERIFY(!updater.canCheckForUpdates());
        updater.checkForUpdates();
        QVERIFY(finished.wait(5000));
        QCoreApplication::processEvents();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(changed.count(), 2);
        QVERIFY(updater.canCheckForUpdates());
        const auto result = finished.first().first().value<UpdateCheckResult>();
        QCOMPARE(result.outcome, UpdateCheckResult::Outcome::updateAvailable);
        QCOMPARE(result.newestVersion, "1.10");
        QCOMPARE(result.downloadPage, QUrl("https://example.org/download"));
    }

    void equalAndOlderReleasesMeanUpToDate()
    {
        // 1.2 equals 1.2.0; a feed that lists only an older release; a feed that lists nothing.
        const QByteArray empty = "<rss version=\"2.0\"><channel/></rss>";
        for (const QByteArray& content : { feedListing("1.2"), feedListing("1.1.9"), empty }) {
            Updater updater({ fileFeed("same.xml", content), "1.2.0" });
            waitUntilReady(updater);
            const auto result = check(updater);
            QCOMPARE(result.outcome, UpdateCheckResult::Outcome::upToDate);
            QVERIFY(!result.downloadPage);
        }
    }

    void failuresAreReportedAndTheItemComesBack()
    {
        // A missing file, a page that is no feed, a feed cut off; over HTTP an error status, a
        // connection closed without an answer, a body beyond the limit, one that only grows
        // beyond it once decompressed, and one dripped a byte every 20 ms, which never trips the
        // transfer timeout and would take minutes.
        const QUrl missing = QUrl::fromLocalFile(m_dir.filePath("missing.xml"));
        const QUrl html = fileFeed("page.html", "<html><body>Moved</body></html>");
        const QUrl cut = fileFeed("cut.xml", feedListing("2.0").chopped(8));
        OneResponseServer notFound("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        OneResponseServer silent("");
        const QByteArray huge = feedListing("9.0").append(QByteArray(Updater::maxFeedBytes, ' '));
        OneResponseServer oversized(httpOk(huge));
        // qCompress writes a zlib stream after a four-byte length: the body of "deflate".
        OneResponseServer inflating(
            httpOk(qCompress(huge, 9).mid(4), "Content-Encoding: deflate\r\n"));
        OneResponseServer dripping(httpOk(feedListing("9.0").append(4000, ' ')), 20);
        const QString tooLong = "The update check took too long.";
        const QList<QPair<QUrl, QString>> cases { { missing, {} }, { html, {} }, { cut, {} },
            { notFound.url(), {} }, { silent.url(), {} },
            { oversized.url(), "The update feed is larger than a release feed can be." },
            { inflating.url(), "The update feed is larger than a release feed can be." },
            { dripping.url(), tooLong } };
        for (const auto& [feed, problem] : cases) {
            using namespace std::chrono_literals;
            Updater updater({ feed, "1.0", problem == tooLong ? 300ms : 30'000ms });
            waitUntilReady(updater);
            const auto result = check(updater);
            QCOMPARE(result.outcome, UpdateCheckResult::Outcome::failed);
            QVERIFY(!result.problem.isEmpty());
            if (!problem.isEmpty())
                QCOMPARE(result.problem, problem);
            QVERIFY(updater.canCheckForUpdates());
        }
    }

    void checksOverHttp()
    {
        OneResponseServer server(httpOk(feedListing("3.0")));
        Updater updater({ server.url(), "2.5" });
        waitUntilReady(updater);
        const auto result = check(updater);
        QCOMPARE(result.outcome, UpdateCheckResult::Outcome::updateAvailable);
        QCOMPARE(result.newestVersion, "3.0");
    }

    void whatTheServerSaysIsShownAsPlainText()
    {
        // Reason phrases and feed contents that would load a file, or open one, as rich text;
        // a version whose build data is markup makes its item unreadable.
        const QByteArray image =
            "HTTP/1.1 500 <img src=\"/dev/zero\">\r\nContent-Length: 0\r\n\r\n";
        const QByteArray link = "HTTP/1.1 500 <a href=\"file:///etc/passwd\">details</a>\r\n"
                                "Content-Length: 0\r\n\r\n";
        const QByteArray essay =
            "HTTP/1.1 500 " + QByteArray(5000, 'x') + "\r\nContent-Length: 0\r\n\r\n";
        const QByteArray build = httpOk(feedListing("9.0+&lt;a href='file:///etc/passwd'&gt;x"));
        const QList<QPair<QByteArray, QString>> cases { { image, "<img src=\"/dev/zero\">" },
            { link, "<a href=\"file:///etc/passwd\">" }, { essay, "xxxx\u2026" },
            { build, "no item in the feed names a version" } };
        for (const auto& [response, shown] : cases) {
            OneResponseServer server(response);
            Updater updater({ server.url(), "1.0" });
            CheckForUpdatesButton button(updater, nullptr);
            waitUntilReady(updater);
            QSignalSpy finished(&updater, &Updater::checkFinished);
            button.action()->trigger();
            QVERIFY(finished.wait(5000));
            UpdateResultDialog* dialog = visibleDialog();
            QVERIFY(dialog);
            QVERIFY2(dialog->informativeText().contains(shown), qPrintable(shown));
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

    void theMenuItemFollowsTheUpdaterAndShowsTheAnswer()
    {
        Updater updater({ fileFeed("item.xml", feedListing("4.0")), "3.0" });
        CheckForUpdatesButton button(updater, nullptr);
        QAction* action = button.action();
        QCOMPARE(action->text(), QString::fromUtf8("Check for Updates\u2026"));
        QVERIFY(!action->isEnabled());
        waitUntilReady(updater);
        QVERIFY(action->isEnabled());

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
        QVERIFY(dialog->text().contains("4.0"));
        dialog->close();
    }

    void theDownloadButtonOpensOnlyThePage()
    {
        UpdateCheckResult available;
        available.outcome = UpdateCheckResult::Outcome::updateAvailable;
        available.currentVersion = "1.0";
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
        UpdateCheckResult upToDate;
        upToDate.outcome = UpdateCheckResult::Outcome::upToDate;
        UpdateResultDialog newest(upToDate);
        QVERIFY(!newest.downloadButton());
        QVERIFY(newest.text().contains("newest version"));
    }
};

QTEST_MAIN(UpdaterTest)
#include "UpdaterTest.moc"
