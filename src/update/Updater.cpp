// SPDX-License-Identifier: GPL-3.0-or-later
// The feed check: one GET with a transfer timeout, an overall deadline and a size limit, then the
// feed reader and a version comparison. Every outcome, failures included, ends in checkFinished.
#include "update/Updater.h"

#include "update/UpdateFeed.h"
#include "update/Version.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#ifndef SAPPERLY_UPDATE_FEED_URL
#define SAPPERLY_UPDATE_FEED_URL ""
#endif
#ifndef SAPPERLY_VERSION
#define SAPPERLY_VERSION "0"
#endif

namespace {

bool runsInFlatpak()
{
    return qEnvironmentVariableIsSet("FLATPAK_ID") ||
        QFileInfo::exists(QStringLiteral("/.flatpak-info"));
}

bool isUsableFeed(const QUrl& url)
{
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == u"file")
        return !url.toLocalFile().isEmpty();
    return (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

// Text that a server or a feed chose (an HTTP reason phrase, a parser's quote of the document)
// reaches the player only as one short line: the dialog shows it as plain text, and this keeps
// it from filling the screen or hiding behind control characters.
QString outsideText(const QString& text)
{
    constexpr qsizetype maxLength = 200;
    QString line;
    for (const QChar c : text) {
        if (line.size() == maxLength) {
            line.append(QChar(0x2026));
            break;
        }
        const auto category = c.category();
        const bool invisible = category == QChar::Other_Control ||
            category == QChar::Other_Format || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph;
        line.append(invisible ? QChar(u' ') : c);
    }
    return line;
}

UpdateCheckResult failure(const QString& currentVersion, const QString& problem)
{
    UpdateCheckResult result;
    result.outcome = UpdateCheckResult::Outcome::failed;
    result.currentVersion = currentVersion;
    result.problem = problem;
    return result;
}

} // namespace

Updater::Settings Updater::standardSettings()
{
    Settings settings;
    settings.currentVersion = QStringLiteral(SAPPERLY_VERSION);
    if (runsInFlatpak())
        return settings;
    const QString fromEnvironment = qEnvironmentVariable("SAPPERLY_UPDATE_FEED");
    const QString text =
        fromEnvironment.isEmpty() ? QStringLiteral(SAPPERLY_UPDATE_FEED_URL) : fromEnvironment;
    settings.feedUrl = QUrl(text.trimmed(), QUrl::StrictMode);
    return settings;
}

Updater& Updater::shared()
{
    static Updater* const instance = new Updater(standardSettings(), QCoreApplication::instance());
    return *instance;
}

Updater::Updater(Settings settings, QObject* parent)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_feedUsable(isUsableFeed(m_settings.feedUrl))
{
    // Whoever builds the menu sees the item disabled first; the real value follows one turn of
    // the event loop later, as it would from an update service running on its own.
    QMetaObject::invokeMethod(
        this, [this] { setCanCheckForUpdates(m_feedUsable); }, Qt::QueuedConnection);
}

Updater::~Updater() = default;

void Updater::setCanCheckForUpdates(bool value)
{
    if (m_canCheckForUpdates == value)
        return;
    m_canCheckForUpdates = value;
    emit canCheckForUpdatesChanged();
}

void Updater::checkForUpdates()
{
    if (!m_canCheckForUpdates)
        return;
    setCanCheckForUpdates(false);
    if (!m_network) {
        m_network = new QNetworkAccessManager(this);
        // The transfer timeout only fires on silence; a server that drips a byte now and then
        // would otherwise hold the check, and the menu item, for good.
        m_deadline = new QTimer(this);
        m_deadline->setSingleShot(true);
        connect(m_deadline, &QTimer::timeout, this, [this] { cutShort(false); });
    }

    QNetworkRequest request(m_settings.feedUrl);
    request.setTransferTimeout(transferTimeoutMs);
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader,
        QStringLiteral("Sapperly/%1").arg(m_settings.currentVersion));
    m_cut = Cut::no;
    m_deadline->start(m_settings.deadline);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        if (received > maxFeedBytes || total > maxFeedBytes)
            cutShort(true);
    });
    connect(m_reply, &QNetworkReply::finished, this, &Updater::onReplyFinished);
}

void Updater::cutShort(bool oversized)
{
    if (!m_reply || m_cut != Cut::no)
        return;
    m_cut = oversized ? Cut::oversized : Cut::tooSlow;
    m_reply->abort();
}

void Updater::onReplyFinished()
{
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    reply->deleteLater();
    m_deadline->stop();
    const UpdateCheckResult result = resultOf(*reply);
    m_reply = nullptr;
    setCanCheckForUpdates(m_feedUsable);
    emit checkFinished(result);
}

UpdateCheckResult Updater::resultOf(QNetworkReply& reply) const
{
    const QString& current = m_settings.currentVersion;
    if (m_cut == Cut::oversized)
        return failure(current, tr("The update feed is larger than a release feed can be."));
    if (m_cut == Cut::tooSlow)
        return failure(current, tr("The update check took too long."));
    switch (reply.error()) {
    case QNetworkReply::NoError:
        break;
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        return failure(current, tr("The update server did not answer in time."));
    default:
        return failure(current,
            tr("The update feed could not be fetched: %1").arg(outsideText(reply.errorString())));
    }

    const QByteArray body = reply.read(maxFeedBytes + 1);
    if (body.size() > maxFeedBytes)
        return failure(current, tr("The update feed is larger than a release feed can be."));
    const UpdateFeed::Result parsed = UpdateFeed::parse(body);
    if (const auto* malformed = std::get_if<UpdateFeed::Malformed>(&parsed))
        return failure(current,
            tr("The update feed could not be read: %1").arg(outsideText(malformed->reason)));

    UpdateCheckResult result;
    result.currentVersion = current;
    result.outcome = UpdateCheckResult::Outcome::upToDate;
    const auto& newest = std::get<UpdateFeed::Newest>(parsed).release;
    if (!newest)
        return result;
    result.newestVersion = newest->versionText;
    // A build whose own number does not parse is older than any release.
    const auto running = Version::parse(current.toStdString());
    if (!running || newest->version > *running) {
        result.outcome = UpdateCheckResult::Outcome::updateAvailable;
        result.downloadPage = newest->link;
    }
    return result;
}
