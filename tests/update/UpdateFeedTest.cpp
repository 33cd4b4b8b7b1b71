// SPDX-License-Identifier: GPL-3.0-or-later
// Reading update feeds: the newest usable item, empty feeds and documents that are no feed.
#include "update/UpdateFeed.h"

#include <gtest/gtest.h>

namespace {

QByteArray feed(const char* items)
{
    return QByteArray(R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0"><channel><title>Sapperly releases</title>)") +
        items + "</channel></rss>";
}

UpdateFeed::Release newestOf(const QByteArray& document)
{
    const auto result = UpdateFeed::parse(document);
    const auto* newest = std::get_if<UpdateFeed::Newest>(&result);
    if (!newest || !newest->release) {
        ADD_FAILURE() << "no release read from " << document.constData();
        return {};
    }
    return *newest->release;
}

bool isMalformed(const QByteArray& document)
{
    return std::holds_alternative<UpdateFeed::Malformed>(UpdateFeed::parse(document));
}

} // namespace

TEST(UpdateFeed, TheNewestItemWinsWhateverItsPlace)
{
    const auto release = newestOf(feed(R"(
        <item><title>Sapperly 1.9</title><version>1.9</version><link>https://example.org/1.9</link></item>
        <item><title>Sapperly 1.10</title><version>1.10</version><link>https://example.org/1.10</link></item>
        <item><title>Sapperly 1.2</title><version>1.2.0</version><link>https://example.org/1.2</link></item>)"));
    EXPECT_EQ(release.versionText, "1.10");
    EXPECT_EQ(release.title, "Sapperly 1.10");
    EXPECT_EQ(release.link, QUrl("https://example.org/1.10"));
}

TEST(UpdateFeed, EnclosureAttributesStandInForMissingChildren)
{
    // The enclosure's version and url are used when the item has no <version> or <link>.
    const auto release = newestOf(feed(R"(
        <item><title>Sapperly 2.0</title>
          <enclosure url="https://example.org/sapperly_2.0_amd64.deb" version="2.0" type="application/octet-stream"/>
        </item>)"));
    EXPECT_EQ(release.versionText, "2.0");
    EXPECT_EQ(release.link, QUrl("https://example.org/sapperly_2.0_amd64.deb"));

    // A <link> child is preferred over the enclosure's file.
    const auto withLink = newestOf(feed(R"(
        <item><link>https://example.org/2.1</link><enclosure url="https://example.org/f.deb" version="2.1"/></item>)"));
    EXPECT_EQ(withLink.link, QUrl("https://example.org/2.1"));
}

TEST(UpdateFeed, OnlyWebLinksAreKept)
{
    for (const char* link : { "file:///etc/passwd", "javascript:alert(1)", "ftp://example.org/x",
             "https://", "not a url" }) {
        const auto release = newestOf(feed(
            (std::string("<item><version>3.0</version><link>") + link + "</link></item>").c_str()));
        EXPECT_FALSE(release.link.has_value()) << link;
    }
    EXPECT_TRUE(
        newestOf(feed("<item><version>3.0</version><link>http://example.org/</link></item>"))
            .link.has_value());
}

TEST(UpdateFeed, ItemsWithoutAReadableVersionArePassedOver)
{
    const auto release = newestOf(feed(R"(
        <item><title>Notes</title><link>https://example.org/notes</link></item>
        <item><version>soon</version></item>
        <item><version>1.1</version></item>)"));
    EXPECT_EQ(release.versionText, "1.1");
}

TEST(UpdateFeed, NamespacedElementsAreNotOurs)
{
    const QByteArray document = R"(<rss version="2.0" xmlns:x="http://example.org/ns"><channel>
        <item><x:version>9.0</x:version><enclosure url="https://example.org/a" x:version="9.0"/></item>
        <item><version>1.0</version></item></channel></rss>)";
    EXPECT_EQ(newestOf(document).versionText, "1.0");
}

TEST(UpdateFeed, AnEmptyFeedListsNoRelease)
{
    const auto result = UpdateFeed::parse(feed(""));
    const auto* newest = std::get_if<UpdateFeed::Newest>(&result);
    ASSERT_NE(newest, nullptr);
    EXPECT_FALSE(newest->release.has_value());
}

TEST(UpdateFeed, DocumentsThatAreNoFeedAreMalformed)
{
    // Nothing at all, and not XML.
    EXPECT_TRUE(isMalformed(""));
    EXPECT_TRUE(isMalformed("{\"version\": \"1.0\"}"));
    // Well-formed XML of another kind, and an RSS root without a channel.
    EXPECT_TRUE(isMalformed("<html><body>Not found</body></html>"));
    EXPECT_TRUE(isMalformed("<rss version=\"2.0\"/>"));
    // Cut off near the end of a download, after a good item.
    EXPECT_TRUE(isMalformed(feed("<item><version>1.0</version></item>").chopped(10)));
    // Items are listed, but none says which version it is.
    EXPECT_TRUE(isMalformed(feed("<item><title>Sapperly</title></item>")));
    // An undeclared prefix is an XML error, not a silently ignored element.
    EXPECT_TRUE(isMalformed(feed("<item><y:version>1.0</y:version></item>")));
}
