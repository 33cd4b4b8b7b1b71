// SPDX-License-Identifier: GPL-3.0-or-later
// Checks the update feed for a newer release and mirrors whether a check may start now. It only
// reports: it downloads and installs nothing.
#pragma once

#include "update/UpdateCheckResult.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

class Updater : public QObject {
    Q_OBJECT

public:
    struct Settings {
        /// Empty, or of a scheme other than http, https or file: checking stays off for good.
        QUrl feedUrl;
        QString currentVersion;
        /// However the server trickles its answer, a check ends after this long.
        std::chrono::milliseconds deadline = std::chrono::seconds(30);
    };

    /// The feed fixed at build time, overridden by SAPPERLY_UPDATE_FEED; no feed at all inside
    /// a Flatpak sandbox, where updates come through Flatpak.
    [[nodiscard]] static Settings standardSettings();
    /// The one updater of the process, made on first use and kept until the application ends.
    [[nodiscard]] static Updater& shared();

    /// canCheckForUpdates becomes true only through the event loop, never during construction.
    explicit Updater(Settings settings, QObject* parent = nullptr);
    ~Updater() override;

    /// False until the event loop has run once, for good without a usable feed, and while a
    /// check runs.
    [[nodiscard]] bool canCheckForUpdates() const { return m_canCheckForUpdates; }
    /// Starts one check when a check may start now; does nothing otherwise.
    void checkForUpdates();

    /// Bodies beyond this size are refused: no release feed is anywhere near it.
    static constexpr qint64 maxFeedBytes = 1024 * 1024;
    static constexpr int transferTimeoutMs = 10'000;

signals:
    void canCheckForUpdatesChanged();
    void checkFinished(const UpdateCheckResult& result);

private:
    void setCanCheckForUpdates(bool value);
    void onReplyFinished();
    void cutShort(bool oversized);
    [[nodiscard]] UpdateCheckResult resultOf(QNetworkReply& reply) const;

    Settings m_settings;
    bool m_feedUsable = false;
    bool m_canCheckForUpdates = false;
    // Why this program ended the transfer itself, when it did.
    enum class Cut { no, oversized, tooSlow };
    Cut m_cut = Cut::no;
    QTimer* m_deadline = nullptr;
    // Made at the first check: most runs never check, and start-up should not pay for it.
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
};
