// SPDX-License-Identifier: GPL-3.0-or-later
// The stored form of the statistics: one JSON array alternating difficulty and record.
#pragma once

#include "model/Record.h"

#include <optional>
#include <string>
#include <string_view>

/// Compact UTF-8 JSON, e.g. ["beginner",{"played":3,"won":2,"bestSeconds":41}].
[[nodiscard]] std::string encodeRecords(const Records& records);
/// std::nullopt for anything but an even-length array of known sizes, each followed by an
/// object. A size whose record is malformed or not plausible (isPlausible) is left out.
[[nodiscard]] std::optional<Records> decodeRecords(std::string_view bytes);
