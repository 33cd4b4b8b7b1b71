// SPDX-License-Identifier: GPL-3.0-or-later
// The feed reader. Only plain, unprefixed elements count: a namespaced <x:version> is some other
// vocabulary and is not read as ours.
#include "update/UpdateFeed.h"

#include <QXmlStreamReader>

namespace UpdateFeed {
namespace {

std::optional<QUrl> webLink(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme != u"http" && scheme != u"https")
        return std::nullopt;
    return url;
}

bool isOurs(const QXmlStreamReader& xml, QStringView name)
{
    return xml.namespaceUri().isEmpty() && xml.name() == name;
}

struct ItemFields {
    QString title;
    QString version;
    QString link;
    QString enclosureVersion;
    QString enclosureUrl;
};

// Reads one <item> up to its end tag; unknown children are skipped whole.
ItemFields readItem(QXmlStreamReader& xml)
{
    ItemFields fields;
    while (xml.readNextStartElement()) {
        if (isOurs(xml, u"title")) {
            fields.title = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
        } else if (isOurs(xml, u"version")) {
            fields.version = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
        } else if (isOurs(xml, u"link")) {
            fields.link = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
        } else if (isOurs(xml, u"enclosure")) {
            const QXmlStreamAttributes attributes = xml.attributes();
            fields.enclosureVersion =
                attributes.value(QString(), QLatin1String("version")).toString().trimmed();
            fields.enclosureUrl =
                attributes.value(QString(), QLatin1String("url")).toString().trimmed();
            xml.skipCurrentElement();
        } else {
            xml.skipCurrentElement();
        }
    }
    return fields;
}

std::optional<Release> releaseOf(const ItemFields& fields)
{
    const QString& text = fields.version.isEmpty() ? fields.enclosureVersion : fields.version;
    const auto version = Version::parse(text.toStdString());
    if (!version)
        return std::nullopt;
    auto link = webLink(fields.link);
    if (!link)
        link = webLink(fields.enclosureUrl);
    return Release { fields.title, text, *version, link };
}

} // namespace

Result parse(const QByteArray& document)
{
    QXmlStreamReader xml(document);
    if (!xml.readNextStartElement() || !isOurs(xml, u"rss"))
        return xml.hasError() ? Malformed { xml.errorString() }
                              : Malformed { QStringLiteral("the document is not an RSS feed") };

    bool sawChannel = false;
    int items = 0;
    std::optional<Release> newest;
    while (xml.readNextStartElement()) {
        if (!isOurs(xml, u"channel")) {
            xml.skipCurrentElement();
            continue;
        }
        sawChannel = true;
        while (xml.readNextStartElement()) {
            if (!isOurs(xml, u"item")) {
                xml.skipCurrentElement();
                continue;
            }
            ++items;
            auto release = releaseOf(readItem(xml));
            // On equal versions the first item wins: feeds list their newest entry first.
            if (release && (!newest || release->version > newest->version))
                newest = std::move(release);
        }
    }
    // Reading to the end also catches damage after the last item, such as a cut-off download.
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError())
        return Malformed { xml.errorString() };
    if (!sawChannel)
        return Malformed { QStringLiteral("the feed has no channel") };
    if (items > 0 && !newest)
        return Malformed { QStringLiteral("no item in the feed names a version") };
    return Newest { std::move(newest) };
}

} // namespace UpdateFeed
