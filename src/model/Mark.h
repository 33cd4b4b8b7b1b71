// SPDX-License-Identifier: GPL-3.0-or-later
// The player's mark on a covered square.
#pragma once

#include <optional>
#include <string_view>

enum class Mark { none, flag, question };

/// The stored form: "none", "flag" or "question".
[[nodiscard]] std::string_view rawValue(Mark mark);
[[nodiscard]] std::optional<Mark> markFromRaw(std::string_view raw);
