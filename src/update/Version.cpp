// SPDX-License-Identifier: GPL-3.0-or-later
// Parsing and ordering of release numbers.
#include "update/Version.h"

#include <algorithm>
#include <cctype>

namespace {

bool isDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// More digits than this could overflow 64 bits; no real release number comes near it.
constexpr std::size_t maxDigits = 18;
// The whole text and its build data are shown to the player: a feed gets no room for essays.
constexpr std::size_t maxLength = 128;
constexpr std::size_t maxBuildLength = 64;

bool isVersionCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-';
}

std::string_view trimmed(std::string_view text)
{
    const auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// Compares with runs of digits taken as numbers, so "rc2" < "rc10" and "beta" < "rc".
std::weak_ordering naturalCompare(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const std::size_t startA = i;
            const std::size_t startB = j;
            while (i < a.size() && isDigit(a[i]))
                ++i;
            while (j < b.size() && isDigit(b[j]))
                ++j;
            auto runA = a.substr(startA, i - startA);
            auto runB = b.substr(startB, j - startB);
            // Leading zeros do not change the value; then the longer run is the larger number.
            runA.remove_prefix(std::min(runA.find_first_not_of('0'), runA.size()));
            runB.remove_prefix(std::min(runB.find_first_not_of('0'), runB.size()));
            if (runA.size() != runB.size())
                return runA.size() <=> runB.size();
            if (const auto order = runA.compare(runB); order != 0)
                return order <=> 0;
            continue;
        }
        const auto ca = static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(a[i])));
        const auto cb = static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(b[j])));
        if (ca != cb)
            return ca <=> cb;
        ++i;
        ++j;
    }
    return (a.size() - i) <=> (b.size() - j);
}

} // namespace

std::optional<Version> Version::parse(std::string_view text)
{
    text = trimmed(text);
    if (text.size() > maxLength)
        return std::nullopt;
    if (const auto plus = text.find('+'); plus != std::string_view::npos) {
        const std::string_view build = text.substr(plus + 1);
        if (build.empty() || build.size() > maxBuildLength ||
            !std::all_of(build.begin(), build.end(), isVersionCharacter))
            return std::nullopt;
        text = text.substr(0, plus);
    }
    if (!text.empty() && (text.front() == 'v' || text.front() == 'V'))
        text.remove_prefix(1);
    if (text.empty() || !isDigit(text.front()))
        return std::nullopt;

    Version version;
    std::size_t pos = 0;
    while (true) {
        const std::size_t start = pos;
        std::uint64_t value = 0;
        while (pos < text.size() && isDigit(text[pos])) {
            value = value * 10 + static_cast<std::uint64_t>(text[pos] - '0');
            ++pos;
        }
        if (pos == start || pos - start > maxDigits)
            return std::nullopt;
        version.m_numbers.push_back(value);
        // A dot continues the number only when a digit follows; "1.2.beta" has a tail.
        if (pos + 1 < text.size() && text[pos] == '.' && isDigit(text[pos + 1])) {
            ++pos;
            continue;
        }
        break;
    }

    std::string_view tail = text.substr(pos);
    if (!tail.empty() && (tail.front() == '-' || tail.front() == '.' || tail.front() == '~'))
        tail.remove_prefix(1);
    const bool printable = std::all_of(tail.begin(), tail.end(), isVersionCharacter);
    const bool separated = !tail.empty() && tail.front() != '.' && tail.front() != '-';
    if (!printable || (pos < text.size() && !separated))
        return std::nullopt;
    version.m_preRelease = std::string(tail);
    return version;
}

std::weak_ordering operator<=>(const Version& a, const Version& b)
{
    const std::size_t length = std::max(a.m_numbers.size(), b.m_numbers.size());
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint64_t x = i < a.m_numbers.size() ? a.m_numbers[i] : 0;
        const std::uint64_t y = i < b.m_numbers.size() ? b.m_numbers[i] : 0;
        if (x != y)
            return x <=> y;
    }
    if (a.m_preRelease.empty() != b.m_preRelease.empty())
        return a.m_preRelease.empty() ? std::weak_ordering::greater : std::weak_ordering::less;
    return naturalCompare(a.m_preRelease, b.m_preRelease);
}
