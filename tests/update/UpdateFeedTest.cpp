// SPDX-License-Identifier: GPL-3.0-or-later
// Release numbers as the update check orders them, text that is no version, and reading feeds.
#include "update/UpdateFeed.h"

#include "update/Version.h"

#include <gtest/gtest.h>

TEST(Version, OrderingAndRefusals)
{
    // Ascending; texts joined by '|' are equal. Leading zeros add nothing; a pre-release comes
    // before its release, its digit runs compared as numbers, with or without a dash, any case.
    const std::string ascending[] { "0.9.9", "0.10.0", "1|1.0.0.0", "1.2|1.02|1.2.0", "1.2.0.1",
        "1.2.9", "1.3-beta", "1.3-rc", "1.3.0-rc1|1.3rc1|1.3-RC1", "1.3-rc2", "1.3-rc10", "1.3.0",
        "1.4|v1.4|  1.4 \n|1.4.0|1.4+build.7|1.4+" + std::string(64, 'b'), "1.9", "1.10", "2" };
    std::vector<std::tuple<Version, size_t, QByteArray>> versions; // with place and text
    for (size_t i = 0; i < std::size(ascending); ++i)
        for (const QByteArray& text : QByteArray::fromStdString(ascending[i]).split('|'))
            versions.emplace_back(Version::parse(text.toStdString()).value(), i, text);
    for (const auto& [x, i, a] : versions)
        for (const auto& [y, j, b] : versions)
            EXPECT_TRUE((x <=> y) == (i <=> j) && (x == y) == (i == j)) << (a + '/' + b).data();
    // From "1.4+" on: build data is shown to the player, so only what a version may hold, short.
    for (const std::string& text :
        std::initializer_list<std::string> { "", " ", "v", "beta", "1..2", ".1", "1.2-", "1.2 beta",
            "-1", "1.2.3-rc/1", "1234567890123456789.0", "1.4+", "1.4+<b>x</b>", "1.4+a b",
            "1.4+\xc3\xa9", "1.4+" + std::string(65, 'b'), "1.4-" + std::string(125, 'r') })
        EXPECT_FALSE(Version::parse(text).has_value()) << '"' << text << '"';
}

TEST(UpdateFeed, TheNewestUsableItem)
{
    const auto feed = [](const QByteArray& items) {
        return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Releases</title>" +
            items + "</channel></rss>";
    };
    const auto item = [](const QByteArray& version, const QByteArray& link) {
        return "<item><title>Sapperly " + version + "</title><version>" + version +
            "</version><link>" + link + "</link></item>";
    };
    // The newest item's version and link; "" for a feed that lists none, "-" for no feed.
    const auto read = [](const QByteArray& document) -> QString {
        const auto result = UpdateFeed::parse(document);
        const auto* newest = std::get_if<UpdateFeed::Newest>(&result);
        if (!newest || !newest->release)
            return newest ? "" : "-";
        return newest->release->versionText + ' ' +
            newest->release->link.value_or(QUrl()).toString();
    };
    const std::pair<QByteArray, QString> rows[] = {
        { feed(item("1.9", "https://a/9") + item("1.10", "https://a/10") + item("1.2", "")),
            "1.10 https://a/10" },
        // The enclosure stands in for a missing <version> or <link>, but a <link> wins.
        { feed(R"(<item><enclosure url="https://a/2.deb" version="2.0" type="x"/></item>)"),
            "2.0 https://a/2.deb" },
        { feed(R"(<item><link>https://l</link><enclosure url="https://f" version="2"/></item>)"),
            "2 https://l" },
        { feed(item("3.0", "http://a.org/")), "3.0 http://a.org/" }, // only web links are kept
        // Items without a readable version are passed over; namespaced elements are not ours.
        { feed("<item><link>https://a/n</link></item><item><version>soon</version></item>"
               "<item><version>1.1</version></item>"),
            "1.1 " },
        { R"(<rss version="2.0" xmlns:x="http://a/ns"><channel><item><x:version>9.0</x:version>
            <enclosure url="https://a/a" x:version="9.0"/></item><item><version>1.0</version>
            </item></channel></rss>)",
            "1.0 " },
        { feed(""), "" }, { QByteArray(), "-" }, { "{\"version\": \"1.0\"}", "-" },
        { "<html><body>Not found</body></html>", "-" }, { "<rss version=\"2.0\"/>", "-" },
        { feed(item("1.0", "https://a.org/")).chopped(10), "-" }, // cut off after a good item
        { feed("<item><title>Sapperly</title></item>"), "-" }, // no item names its version
        { feed("<item><y:version>1.0</y:version></item>"), "-" }, // an undeclared prefix
    };
    for (const auto& [document, expected] : rows)
        EXPECT_EQ(read(document), expected) << document.constData();
    for (const char* link :
        { "file:///etc/passwd", "javascript:alert(1)", "ftp://a/x", "https://", "not a url" })
        EXPECT_EQ(read(feed(item("3.0", link))), "3.0 ") << link;
}
