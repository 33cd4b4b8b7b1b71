// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes through the update feed reader: whatever it accepts must name a version that
// reads back, holds only what a version may hold, and links only to a web page.
#include "update/UpdateFeed.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "update feed fuzzer: %s\n", what);
        std::abort();
    }
}

bool isVersionText(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c.isLetterOrNumber() && c.unicode() < 0x80) || c == u'.' || c == u'-' ||
            c == u'+' || c == u'~';
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto result = UpdateFeed::parse(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const auto* newest = std::get_if<UpdateFeed::Newest>(&result);
    if (!newest || !newest->release)
        return 0;
    const UpdateFeed::Release& release = *newest->release;
    const auto reread = Version::parse(release.versionText.toStdString());
    require(reread.has_value() && *reread == release.version, "the version does not read back");
    require(release.versionText.size() <= 128 && isVersionText(release.versionText),
        "the version text holds more than a version may");
    if (release.link) {
        const QString scheme = release.link->scheme().toLower();
        require(scheme == u"http" || scheme == u"https", "a link that is no web page");
        require(!release.link->host().isEmpty(), "a link without a host");
    }
    return 0;
}
