// SPDX-License-Identifier: GPL-3.0-or-later
// Strict, non-throwing readers of single JSON values.
#include "model/JsonRead.h"

#include <cmath>
#include <limits>

namespace jsonread {

namespace {

/// Whether brackets outside strings nest deeper than the limit. Our stored values nest four
/// deep; hostile text nested a hundred thousand deep would parse, but slowly enough to stall
/// the window, and nothing that deep can be one of ours.
bool nestsDeeperThan(std::string_view text, int limit)
{
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit)
                return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

} // namespace

std::optional<nlohmann::json> parse(std::string_view text)
{
    if (nestsDeeperThan(text, maxDepth))
        return std::nullopt;
    // Parsing with exceptions off can still run out of memory on hostile input.
    return guarded([text]() -> std::optional<nlohmann::json> {
        nlohmann::json value = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
        if (value.is_discarded())
            return std::nullopt;
        return value;
    });
}

std::optional<std::int64_t> integer(const nlohmann::json& value)
{
    // nlohmann keeps non-negative integers as unsigned, so a count above INT64_MAX reaches us
    // here and must not wrap to a negative number.
    if (value.is_number_unsigned()) {
        const auto unsignedValue = value.get<std::uint64_t>();
        if (unsignedValue > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return std::nullopt;
        return static_cast<std::int64_t>(unsignedValue);
    }
    if (value.is_number_integer())
        return value.get<std::int64_t>();
    return std::nullopt;
}

std::optional<bool> boolean(const nlohmann::json& value)
{
    if (!value.is_boolean())
        return std::nullopt;
    return value.get<bool>();
}

std::optional<std::string_view> string(const nlohmann::json& value)
{
    if (!value.is_string())
        return std::nullopt;
    return std::string_view(value.get_ref<const nlohmann::json::string_t&>());
}

std::optional<double> number(const nlohmann::json& value)
{
    if (!value.is_number())
        return std::nullopt;
    const auto result = value.get<double>();
    if (!std::isfinite(result))
        return std::nullopt;
    return result;
}

} // namespace jsonread
