// SPDX-License-Identifier: GPL-3.0-or-later
// What one update check found, handed from the Updater to whoever tells the player.
#pragma once

#include <QString>
#include <QUrl>

#include <optional>

struct UpdateCheckResult {
    enum class Outcome { upToDate, updateAvailable, failed };

    Outcome outcome = Outcome::failed;
    QString currentVersion;
    /// The newest version the feed lists; empty when the check failed or the feed was empty.
    QString newestVersion;
    /// Only ever an http or https address.
    std::optional<QUrl> downloadPage;
    /// Why the check failed, in words for the player.
    QString problem;
};
