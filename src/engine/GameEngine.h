// SPDX-License-Identifier: GPL-3.0-or-later
// The one game object: owns the board, the clock, the statistics and the store, runs every
// player action through the rules and saves after each one. The store stays inside: callers see
// only the folders it keeps the game in.
#pragma once

#include "model/Board.h"
#include "model/Instant.h"
#include "model/RandomSource.h"
#include "model/Record.h"
#include "model/SavedGame.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class CloudStore;

/// Where the game is kept: the local data folder, and the folder a sync tool shares with the
/// player's other machines (none: this machine only).
struct GameFolders {
    QString dataFolder;
    std::optional<QString> syncFolder;
};

class GameEngine : public QObject {
    Q_OBJECT

public:
    using Clock = std::function<Instant()>;

    /// What tests replace; empty members take the system clock and the secure random source.
    struct Dependencies {
        Clock now;
        std::unique_ptr<RandomSource> random;
    };

    /// The move that lost the current game and the board just before it, for the post-mortem.
    /// Held in memory only: a restored or new game has none.
    struct LosingMove {
        enum class Kind { reveal, chord };
        Kind kind = Kind::reveal;
        Point square;
        Board before;
    };

    /// What attachSyncFolder made of a folder.
    enum class SyncFolderResult {
        attached,
        /// It cannot be created, read or written; syncing stays as it was.
        unusable,
        /// It is the data folder itself; syncing stays as it was.
        dataFolder,
    };

    /// Loads the statistics and the newer saved game from both folders; writes nothing. A sync
    /// folder that cannot be used leaves the game on this machine, with a warning.
    explicit GameEngine(
        const GameFolders& folders, Dependencies dependencies = {}, QObject* parent = nullptr);
    ~GameEngine() override;

    [[nodiscard]] const Board& board() const { return m_board; }
    [[nodiscard]] std::int64_t bankedSeconds() const { return m_bankedSeconds; }
    [[nodiscard]] std::optional<Instant> clockStartedAt() const { return m_clockStartedAt; }
    [[nodiscard]] const Records& records() const { return m_records; }
    [[nodiscard]] std::int64_t moveCount() const { return m_moveCount; }
    [[nodiscard]] bool justSetRecord() const { return m_justSetRecord; }
    [[nodiscard]] Instant lastSavedAt() const { return m_lastSavedAt; }
    /// The clock reading, computed from the wall clock on every call.
    [[nodiscard]] std::int64_t elapsedSeconds() const;
    /// The sync folder in use (absolute); nothing while the game stays on this machine.
    [[nodiscard]] std::optional<QString> syncFolder() const;
    [[nodiscard]] const std::optional<LosingMove>& losingMove() const { return m_losingMove; }

    void reveal(std::int64_t x, std::int64_t y);
    void chord(std::int64_t x, std::int64_t y);
    void toggleMark(std::int64_t x, std::int64_t y);
    void newGame(Difficulty difficulty);

    /// Syncs through folder (created when missing) from now on. What another machine left
    /// there is taken in shortly after, as if it had just arrived.
    SyncFolderResult attachSyncFolder(const QString& folder);
    /// Keeps the game on this machine only from now on.
    void detachSyncFolder();
    /// Looks at the sync folder now instead of waiting for the watcher, for when the program
    /// comes back to the front.
    void rescanSyncFolder();
    /// How long the sync folder must stay quiet before it is read, and how often it is read
    /// regardless. Tests shorten both.
    void setSyncIntervals(std::chrono::milliseconds settle, std::chrono::milliseconds poll);

signals:
    /// Also emitted for an action that reached the rules and was refused.
    void boardChanged();
    void bankedSecondsChanged();
    void clockStartedAtChanged();
    void recordsChanged();
    void moveCountChanged();
    void justSetRecordChanged();
    void lastSavedAtChanged();
    /// A report of keys another machine changed in the sync folder has been dealt with (taken
    /// in, or found to bring nothing newer). Emitted after the field signals it caused.
    void syncFolderRead();

private:
    // Observable fields, in the order their signals go out.
    enum Field : unsigned {
        boardField = 1u << 0,
        bankedSecondsField = 1u << 1,
        clockStartedAtField = 1u << 2,
        recordsField = 1u << 3,
        moveCountField = 1u << 4,
        justSetRecordField = 1u << 5,
        lastSavedAtField = 1u << 6,
    };

    [[nodiscard]] Instant now() const { return m_now(); }
    void restore(const SavedGame& game);
    void finishMove();
    void noteLoss(LosingMove::Kind kind, Point square, Board before);
    void updateRecord();
    void save();
    void handleExternalChange(const QString& folder, const QStringList& keys);

    // Setters only note a change when the value differs; notifyChanges() then emits, once the
    // whole step has left every field consistent.
    /// Stores the value and notes the field for notifyChanges, unless it equals what is there.
    template <typename T> void assign(T& field, T value, Field changed)
    {
        if (value == field)
            return;
        field = std::move(value);
        m_changed |= changed;
    }
    void setBoard(Board board);
    void setBankedSeconds(std::int64_t seconds);
    void setClockStartedAt(std::optional<Instant> instant);
    void setRecords(Records records);
    void setJustSetRecord(bool value);
    void setLastSavedAt(Instant instant);
    void notifyChanges();

    Board m_board;
    std::int64_t m_bankedSeconds = 0;
    std::optional<Instant> m_clockStartedAt;
    Records m_records;
    std::int64_t m_moveCount = 0;
    std::unique_ptr<RandomSource> m_random;
    std::unique_ptr<CloudStore> m_store;
    bool m_justSetRecord = false;
    Instant m_lastSavedAt = distantPast;
    Clock m_now;
    unsigned m_changed = 0;
    std::optional<LosingMove> m_losingMove;
};
