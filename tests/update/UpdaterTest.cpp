// SPDX-License-Identifier: GPL-3.0-or-later
// The updater against feed files and loopback HTTP servers, through its menu item and dialog.
#include "update/Updater.h"

#include "app/CheckForUpdatesButton.h"
#include "ui/window/UpdateResultDialog.h"

#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

using namespace std::chrono_literals;
using enum UpdateCheckResult::Outcome;

namespace {

QByteArray listing(const QByteArray& version, const QByteArray& link = "https://a.org/get")
{
    return "<rss version=\"2.0\"><channel><item><title>Sapperly</title><version>" + version +
        "</version><link>" + link + "</link></item></channel></rss>";
}

QUrl fileFeed(const QByteArray& content)
{
    auto* file = new QTemporaryFile(qApp);
    const bool written = file->open() && file->write(content) == content.size() && file->flush();
    return written ? QUrl::fromLocalFile(file->fileName()) : QUrl(); // no URL fails its row
}

/// Answers every request on 127.0.0.1 with that status (and any header lines after it) and body,
/// and closes; with dripMs, one byte at a time as a hostile server may.
QUrl serve(const QByteArray& status, const QByteArray& body = {}, int dripMs = 0)
{
    const QByteArray response = "HTTP/1.1 " + status +
        "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" +
        body;
    const qsizetype chunk = dripMs ? 1 : response.size();
    auto* server = new QTcpServer(qApp);
    QObject::connect(server, &QTcpServer::newConnection, server, [=] {
        while (QTcpSocket* socket = server->nextPendingConnection()) {
            auto* timer = new QTimer(socket);
            QObject::connect(socket, &QTcpSocket::readyRead, timer,
                [=] { socket->readAll(), timer->start(dripMs); });
            QObject::connect(timer, &QTimer::timeout, socket, [=, sent = qsizetype(0)]() mutable {
                socket->write(response.mid(sent, chunk));
                if ((sent += chunk) >= response.size())
                    socket->disconnectFromHost(), timer->stop();
            });
        }
    });
    server->listen(QHostAddress::LocalHost);
    return QUrl(QStringLiteral("http://127.0.0.1:%1/feed.xml").arg(server->serverPort()));
}

} // namespace

class UpdaterTest : public QObject {
    Q_OBJECT
    QList<QUrl> m_opened;

private slots:
    void open(const QUrl& url) { m_opened.append(url); } // the handler of https links
    void everyAnswerThroughTheMenuItemAsPlainText()
    {
        // The environment names the feed for everyone who cannot rebuild with another one.
        qputenv("SAPPERLY_UPDATE_FEED", " https://example.org/feed.xml ");
        QCOMPARE(Updater::standardSettings().feedUrl, QUrl("https://example.org/feed.xml"));
        // Without a usable feed the item stays off for good, and asking does nothing.
        for (const QUrl& feed : { QUrl(), QUrl("ftp://example.org/feed.xml"), QUrl("https://") }) {
            Updater updater({ feed, "1.0" });
            CheckForUpdatesButton button(updater, nullptr);
            QSignalSpy finished(&updater, &Updater::checkFinished);
            QCoreApplication::processEvents(), updater.checkForUpdates(), qApp->processEvents();
            QVERIFY(!button.action()->isEnabled() && finished.isEmpty());
        }

        QDesktopServices::setUrlHandler("https", this, "open");
        const QString tooLong = "The update check took too long.";
        const QString tooLarge = "The update feed is larger than a release feed can be.";
        const QByteArray huge = listing("9.0").append(QByteArray(Updater::maxFeedBytes, ' '));
        const QUrl noPage = fileFeed(listing("2.0", "file:///etc/passwd"));
        // Against version 1.2.0: the outcome, and words the dialog must show ("" for any).
        const QList<std::tuple<QUrl, UpdateCheckResult::Outcome, QString>> rows {
            { fileFeed(listing("1.10")), updateAvailable, "Sapperly 1.10 is available" },
            { serve("200 OK", listing("3.0")), updateAvailable, "3.0" },
            { noPage, updateAvailable, "no download page" }, // only a web page is ever opened
            { fileFeed(listing("1.2")), upToDate, "newest version" },
            { fileFeed("<rss version=\"2.0\"><channel/></rss>"), upToDate, "" },
            { serve("404 Not Found"), failed, "" },
            { serve("200 OK", huge), failed, tooLarge },
            // Only beyond the limit once inflated (qCompress puts a length before the stream).
            { serve("200 OK\r\nContent-Encoding: deflate", qCompress(huge, 9).mid(4)), failed,
                tooLarge },
            // A byte every 20 ms never trips the transfer timeout, and would take minutes.
            { serve("200 OK", listing("9.0").append(4000, ' '), 20), failed, tooLong },
            // Reason phrases and feeds that as rich text would load a file or open a link.
            { serve("500 <img src=\"/dev/zero\">"), failed, "<img src=\"/dev/zero\">" },
            { serve("500 " + QByteArray(5000, 'x')), failed, "xxxx\u2026" },
            { serve("200 OK", listing("9.0+&lt;a href='file:///etc/passwd'&gt;x")), failed,
                "no item in the feed names a version" },
        };
        for (const auto& [feed, outcome, shown] : rows) {
            Updater updater({ feed, "1.2.0", shown == tooLong ? 300ms : 30'000ms });
            CheckForUpdatesButton button(updater, nullptr);
            QAction* item = button.action();
            QSignalSpy finished(&updater, &Updater::checkFinished);
            // Off until the event loop runs and while a check runs; asking again then does nothing.
            QVERIFY(!item->isEnabled());
            QTRY_VERIFY(item->isEnabled());
            item->trigger(), updater.checkForUpdates();
            QVERIFY(!item->isEnabled());
            QTRY_VERIFY(finished.count() == 1 && item->isEnabled());
            const auto result = finished.at(0).at(0).value<UpdateCheckResult>();
            QVERIFY(result.outcome == outcome && (outcome != failed || !result.problem.isEmpty()));
            std::unique_ptr<UpdateResultDialog> dialog(
                qobject_cast<UpdateResultDialog*>(QApplication::activeModalWidget()));
            QVERIFY(dialog && (dialog->text() + '\n' + dialog->informativeText()).contains(shown));
            QVERIFY(dialog->informativeText().size() < 400);
            for (const QLabel* label : dialog->findChildren<QLabel*>())
                QVERIFY(label->textFormat() == Qt::PlainText && !label->openExternalLinks() &&
                    !(label->textInteractionFlags() & Qt::LinksAccessibleByMouse));
            // The download button opens exactly the page the check found, and nothing else.
            const bool page = outcome == updateAvailable && feed != noPage;
            QVERIFY(result.downloadPage.has_value() == page && !!dialog->downloadButton() == page);
            if (page)
                dialog->downloadButton()->click();
            QCOMPARE(std::exchange(m_opened, {}), QList<QUrl>(page, QUrl("https://a.org/get")));
        }
    }
};

QTEST_MAIN(UpdaterTest)
#include "UpdaterTest.moc"
