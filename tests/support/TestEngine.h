// SPDX-License-Identifier: GPL-3.0-or-later
// A real engine on throw-away folders: a hand-driven wall clock, a fixed random sequence, the
// stored files read and written directly, and moves that finish a game.
#pragma once

#include "engine/GameEngine.h"
#include "model/RecordsCoding.h"
#include "model/SavedGame.h"
#include "model/SavedGameCoding.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

inline const QString savedGameKey = QStringLiteral("savedGame");
inline const QString recordsKey = QStringLiteral("records");

/// Far from the reference date, so that a stray 0 in a stored stamp stands out.
inline constexpr Instant startTime = 800'000'000.0;

/// The wall clock the engine reads; tests move it by hand. Copies share one reading.
struct FakeClock {
    std::shared_ptr<Instant> value = std::make_shared<Instant>(startTime);

    void advance(double seconds) const { *value += seconds; }
    void set(Instant instant) const { *value = instant; }
    [[nodiscard]] Instant now() const { return *value; }
    [[nodiscard]] GameEngine::Clock function() const
    {
        return [value = value] { return *value; };
    }
};

/// A fixed but well-mixed sequence (splitmix64), so mine laying is repeatable and varied.
[[nodiscard]] std::vector<std::uint64_t> mixedSequence(std::uint64_t seed, std::size_t count = 512);

/// A data folder and a sync folder that live as long as this object.
struct TwoFolders {
    QTemporaryDir root;
    QString local = root.filePath(QStringLiteral("local"));
    QString cloud = root.filePath(QStringLiteral("cloud"));

    TwoFolders();
    [[nodiscard]] GameFolders both() const { return { local, cloud }; }
    [[nodiscard]] GameFolders localOnly() const { return { local, std::nullopt }; }
};

[[nodiscard]] std::unique_ptr<GameEngine> makeEngine(const GameFolders& folders,
    const FakeClock& clock, std::vector<std::uint64_t> sequence = mixedSequence(7));

/// The bytes kept under key in folder, read straight from the file.
[[nodiscard]] std::optional<QByteArray> readStored(const QString& folder, const QString& key);
/// Puts bytes where the store looks for key, as another program or machine would.
bool writeStored(const QString& folder, const QString& key, const QByteArray& bytes);
[[nodiscard]] QStringList storedKeys(const QString& folder);
[[nodiscard]] inline QByteArray recordsBytes(const Records& records)
{
    return QByteArray::fromStdString(encodeRecords(records));
}
[[nodiscard]] inline QByteArray gameBytes(const SavedGame& game)
{
    return QByteArray::fromStdString(encodeSavedGame(game));
}
inline bool writeStoredGame(const QString& folder, const SavedGame& game)
{
    return writeStored(folder, savedGameKey, gameBytes(game));
}

/// Rescans the engine's sync folder and waits until the engine has dealt with a report.
[[nodiscard]] bool catchUp(GameEngine& engine, int timeoutMs = 5000);

/// One machine: its own folders and clock, and an engine launched on what the folders hold.
struct TestMachine {
    TwoFolders folders;
    FakeClock clock;
    std::unique_ptr<GameEngine> engine;

    GameEngine& launch() { return launch(folders.cloud); }
    GameEngine& launch(const std::optional<QString>& sync, std::uint64_t seed = 7)
    {
        engine = makeEngine({ folders.local, sync }, clock, mixedSequence(seed));
        return *engine;
    }
    /// Another machine writes key in the sync folder; true once the engine has handled it.
    bool arrives(const QString& key, const QByteArray& bytes)
    {
        return writeStored(*engine->syncFolder(), key, bytes) && catchUp(*engine);
    }
};

/// A fresh game of the given size in play: the clock runs from now, but no mine is laid yet,
/// since marking a square three times starts the game and leaves it unmarked.
void startGame(GameEngine& engine, Difficulty difficulty);
/// A game won `seconds` after it started.
void playWinningGame(GameEngine& engine, const FakeClock& clock, double seconds,
    Difficulty difficulty = Difficulty::beginner);
/// A game lost `seconds` after it started, on the first mine after a first safe reveal.
void playLosingGame(GameEngine& engine, const FakeClock& clock, double seconds,
    Difficulty difficulty = Difficulty::beginner);
