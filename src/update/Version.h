// SPDX-License-Identifier: GPL-3.0-or-later
// Release numbers as the update feed writes them ("1.10.2", "v2.0", "1.3.0-beta2"), ordered
// the way people read them rather than as text.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Version {
public:
    /// Accepts dot-separated numbers with an optional leading "v", an optional pre-release tail
    /// ("-rc1", "beta2") and optional build data after "+" (letters, digits, dots and hyphens,
    /// at most 64), which is ignored. Returns std::nullopt for anything else, including empty
    /// text, text over 128 characters and numbers too large to hold.
    [[nodiscard]] static std::optional<Version> parse(std::string_view text);

    /// Missing trailing numbers count as zero (1.2 == 1.2.0); a pre-release sorts before the
    /// release it leads to (1.3.0-rc1 < 1.3.0); pre-release tails compare with their digit runs
    /// as numbers and letters without regard to case (rc2 < rc10, RC1 == rc1).
    friend std::weak_ordering operator<=>(const Version& a, const Version& b);
    friend bool operator==(const Version& a, const Version& b)
    {
        return (a <=> b) == std::weak_ordering::equivalent;
    }

private:
    std::vector<std::uint64_t> m_numbers;
    std::string m_preRelease;
};
