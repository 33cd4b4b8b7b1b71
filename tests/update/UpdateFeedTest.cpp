// SPDX-License-Identifier: GPL-3.0-or-later
// Reading update feeds: the newest usable item, empty feeds and documents that are no feed.
#include "update/UpdateFeed.h"

#include <gtest/gtest.h>

namespace {

QByteArray feed(const std::string& items)
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0"><channel><title>Sapperly releases</title>)" +
        QByteArray::fromStdString(items) + "</channel></rss>";
}

std::string item(const std::string& link)
{
    return "<item><version>3.0</version><link>" + link + "</link></item>";
}

} // namespace

TEST(UpdateFeed, TheNewestUsableItem)
{
    // The version and link read ("" for none at all); an empty feed lists no release.
    const struct {
        QByteArray document;
        QString version, link;
    } rows[] = {
        { feed(
              R"(<item><title>Sapperly 1.9</title><version>1.9</version><link>https://example.org/1.9</link></item>
            <item><title>Sapperly 1.10</title><version>1.10</version><link>https://example.org/1.10</link></item>
            <item><version>1.2.0</version><link>https://example.org/1.2</link></item>)"),
            "1.10", "https://example.org/1.10" },
        // The enclosure stands in for a missing <version> or <link>, but a <link> wins.
        { feed(
              R"(<item><enclosure url="https://example.org/s_2.0.deb" version="2.0" type="x"/></item>)"),
            "2.0", "https://example.org/s_2.0.deb" },
        { feed(
              R"(<item><link>https://example.org/2.1</link><enclosure url="https://example.org/f.deb" version="2.1"/></item>)"),
            "2.1", "https://example.org/2.1" },
        // Only web links are kept.
        { feed(item("file:///etc/passwd")), "3.0", "" },
        { feed(item("javascript:alert(1)")), "3.0", "" },
        { feed(item("ftp://example.org/x")), "3.0", "" },
        { feed(item("https://")), "3.0", "" },
        { feed(item("not a url")), "3.0", "" },
        { feed(item("http://example.org/")), "3.0", "http://example.org/" },
        // Items without a readable version are passed over.
        { feed("<item><title>Notes</title><link>https://example.org/notes</link></item>"
               "<item><version>soon</version></item><item><version>1.1</version></item>"),
            "1.1", "" },
        // Namespaced elements are not ours.
        { R"(<rss version="2.0" xmlns:x="http://example.org/ns"><channel>
            <item><x:version>9.0</x:version><enclosure url="https://example.org/a" x:version="9.0"/></item>
            <item><version>1.0</version></item></channel></rss>)",
            "1.0", "" },
        { feed(""), "", "" },
    };
    for (const auto& [document, version, link] : rows) {
        const auto result = UpdateFeed::parse(document);
        const auto* newest = std::get_if<UpdateFeed::Newest>(&result);
        ASSERT_NE(newest, nullptr) << document.constData();
        EXPECT_EQ(newest->release.has_value(), !version.isEmpty()) << document.constData();
        if (!newest->release)
            continue;
        EXPECT_EQ(newest->release->versionText, version);
        const auto& kept = newest->release->link;
        EXPECT_EQ(kept ? kept->toString() : "", link) << document.constData();
        EXPECT_EQ(kept.has_value(), !link.isEmpty()) << document.constData();
    }
    const auto first = std::get<UpdateFeed::Newest>(UpdateFeed::parse(rows[0].document));
    EXPECT_EQ(first.release->title, "Sapperly 1.10");
}

TEST(UpdateFeed, DocumentsThatAreNoFeedAreMalformed)
{
    for (const QByteArray& document :
        {
            QByteArray(), QByteArray("{\"version\": \"1.0\"}"), // nothing, and not XML
            QByteArray("<html><body>Not found</body></html>"), QByteArray("<rss version=\"2.0\"/>"),
            feed("<item><version>1.0</version></item>").chopped(10), // cut off after a good item
            feed("<item><title>Sapperly</title></item>"), // no item says which version it is
            feed("<item><y:version>1.0</y:version></item>"), // an undeclared prefix is an error
        })
        EXPECT_TRUE(std::holds_alternative<UpdateFeed::Malformed>(UpdateFeed::parse(document)))
            << document.constData();
}
