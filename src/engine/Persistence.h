// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's two stored keys: reading them from either side of the store, choosing between
// the sides, and writing both. Everything read here came from disk or another machine, so
// every failure simply counts as nothing stored.
#pragma once

#include "model/Record.h"
#include "model/SavedGame.h"

#include <QString>

#include <optional>

class CloudStore;

namespace persistence {

enum class Side { local, cloud };

/// The statistics on one side; empty when missing, unreadable or of the wrong shape.
[[nodiscard]] Records readRecords(const CloudStore& store, Side side);
/// The saved game on one side; std::nullopt when missing or rejected.
[[nodiscard]] std::optional<SavedGame> readSavedGame(const CloudStore& store, Side side);

/// Both sides' statistics merged.
[[nodiscard]] Records loadRecords(const CloudStore& store);
/// The newer of the two saved games; the local one when the times are equal.
[[nodiscard]] std::optional<SavedGame> loadSavedGame(const CloudStore& store);
/// True when candidate was saved strictly later than reference (never for NaN).
[[nodiscard]] bool isLater(Instant candidate, Instant reference);

/// Writes the saved game, then the statistics, to both sides. A value that fails to encode is
/// skipped; write failures go unnoticed.
void write(CloudStore& store, const SavedGame& game, const Records& records);

} // namespace persistence
