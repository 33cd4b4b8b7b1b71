// SPDX-License-Identifier: GPL-3.0-or-later
// Reading update feeds: the newest usable item, feeds that list none, documents that are no feed.
#include "update/UpdateFeed.h"

#include <gtest/gtest.h>

TEST(UpdateFeed, TheNewestUsableItem)
{
    const auto feed = [](const std::string& items) {
        return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Releases</title>" +
            QByteArray::fromStdString(items) + "</channel></rss>";
    };
    const auto item = [](const std::string& version, const std::string& link) {
        return "<item><title>Sapperly " + version + "</title><version>" + version +
            "</version><link>" + link + "</link></item>";
    };
    // The version and link read ("" for none); "-" for a document that is no feed.
    const struct {
        QByteArray document;
        QString version, link;
    } rows[] = {
        { feed(item("1.9", "https://a.org/1.9") + item("1.10", "https://a.org/1.10") +
              item("1.2.0", "https://a.org/1.2")),
            "1.10", "https://a.org/1.10" },
        // The enclosure stands in for a missing <version> or <link>, but a <link> wins.
        { feed(R"(<item><enclosure url="https://a.org/s_2.0.deb" version="2.0" type="x"/></item>)"),
            "2.0", "https://a.org/s_2.0.deb" },
        { feed("<item><link>https://a.org/2.1</link>"
               R"(<enclosure url="https://a.org/f" version="2.1"/></item>)"),
            "2.1", "https://a.org/2.1" },
        // Only web links are kept.
        { feed(item("3.0", "file:///etc/passwd")), "3.0", "" },
        { feed(item("3.0", "javascript:alert(1)")), "3.0", "" },
        { feed(item("3.0", "ftp://a.org/x")), "3.0", "" },
        { feed(item("3.0", "https://")), "3.0", "" }, { feed(item("3.0", "not a url")), "3.0", "" },
        { feed(item("3.0", "http://a.org/")), "3.0", "http://a.org/" },
        // Items without a readable version are passed over.
        { feed("<item><link>https://a.org/notes</link></item><item><version>soon</version></item>"
               "<item><version>1.1</version></item>"),
            "1.1", "" },
        // Namespaced elements are not ours.
        { R"(<rss version="2.0" xmlns:x="http://a.org/ns"><channel><item><x:version>9.0</x:version>
            <enclosure url="https://a.org/a" x:version="9.0"/></item><item><version>1.0</version>
            </item></channel></rss>)",
            "1.0", "" },
        { feed(""), "", "" }, { QByteArray(), "-", "" }, { "{\"version\": \"1.0\"}", "-", "" },
        { "<html><body>Not found</body></html>", "-", "" }, { "<rss version=\"2.0\"/>", "-", "" },
        { feed(item("1.0", "https://a.org/")).chopped(10), "-", "" }, // cut off after a good item
        { feed("<item><title>Sapperly</title></item>"), "-", "" }, // no item names its version
        { feed("<item><y:version>1.0</y:version></item>"), "-", "" }, // an undeclared prefix
    };
    for (const auto& [document, version, link] : rows) {
        const auto result = UpdateFeed::parse(document);
        const auto* newest = std::get_if<UpdateFeed::Newest>(&result);
        ASSERT_EQ(newest == nullptr, version == "-") << document.constData();
        if (!newest)
            continue;
        const auto& release = newest->release;
        EXPECT_EQ(release ? release->versionText : QString(), version) << document.constData();
        EXPECT_EQ(release && release->link ? release->link->toString() : QString(), link)
            << document.constData();
    }
    EXPECT_EQ(std::get<UpdateFeed::Newest>(UpdateFeed::parse(rows[0].document)).release->title,
        "Sapperly 1.10");
}
