// SPDX-License-Identifier: GPL-3.0-or-later
// Reads the update feed: an RSS 2.0 document whose items name a release by its version and
// the page to get it from.
#pragma once

#include "update/Version.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>
#include <variant>

namespace UpdateFeed {

struct Release {
    QString title;
    QString versionText;
    Version version;
    /// Absent when the item names no http or https link: nothing else is opened.
    std::optional<QUrl> link;
};

/// The outcome of reading a feed: the newest release, none (a feed that lists nothing), or
/// why the document could not be used.
struct Newest {
    std::optional<Release> release;
};
struct Malformed {
    QString reason;
};
using Result = std::variant<Newest, Malformed>;

/// An item names its version in a <version> child or, failing that, in the version attribute
/// of its <enclosure>; its link is the <link> child or else the enclosure's url. Items with no
/// readable version are passed over; a feed whose items all lack one is malformed.
[[nodiscard]] Result parse(const QByteArray& document);

} // namespace UpdateFeed
