// SPDX-License-Identifier: GPL-3.0-or-later
// Strict readers for single JSON values, shared by every decoder of stored data. None of them
// throws: a value of the wrong type or range yields std::nullopt.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string_view>

namespace jsonread {

/// Deeper nesting than this is refused before parsing.
inline constexpr int maxDepth = 32;

/// Parses text without exceptions; std::nullopt for anything that is not one JSON value, or
/// that nests deeper than maxDepth.
[[nodiscard]] std::optional<nlohmann::json> parse(std::string_view text);
/// An integer that fits in signed 64 bits; a fraction, a string or a boolean is refused.
[[nodiscard]] std::optional<std::int64_t> integer(const nlohmann::json& value);
[[nodiscard]] std::optional<bool> boolean(const nlohmann::json& value);
[[nodiscard]] std::optional<std::string_view> string(const nlohmann::json& value);
/// Any finite number.
[[nodiscard]] std::optional<double> number(const nlohmann::json& value);

/// Runs a decoder so that nothing leaves it: nlohmann throws on allocation failure and on
/// type mismatches a decoder overlooked, and either is a failed read, never a crash.
template <typename Decode>
[[nodiscard]] auto guarded(Decode&& decode) noexcept -> decltype(decode())
{
    try {
        return decode();
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace jsonread
