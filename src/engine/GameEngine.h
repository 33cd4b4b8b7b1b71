// The one game object: owns the board, the clock, the statistics and the store, runs every
// player action through the rules and saves after each one.
#pragma once

#include "model/Board.h"
#include "model/Instant.h"
#include "model/Record.h"
#include "store/CloudStore.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class RandomSource;

class GameEngine : public QObject {
    Q_OBJECT

public:
    using Clock = std::function<Instant()>;

    /// What tests replace; empty members take the system clock and the secure random source.
    struct Dependencies {
        Clock now;
        std::unique_ptr<RandomSource> random;
    };

    /// Loads the statistics and the newer saved game from both sides; writes nothing.
    explicit GameEngine(const CloudStore::Sides& sides, Dependencies dependencies = {},
        QObject* parent = nullptr);
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
    [[nodiscard]] CloudStore& store() { return *m_store; }

    void reveal(std::int64_t x, std::int64_t y);
    void chord(std::int64_t x, std::int64_t y);
    void toggleMark(std::int64_t x, std::int64_t y);
    void newGame(Difficulty difficulty);

signals:
    /// Also emitted for an action that reached the rules and was refused.
    void boardChanged();
    void bankedSecondsChanged();
    void clockStartedAtChanged();
    void recordsChanged();
    void moveCountChanged();
    void justSetRecordChanged();
    void lastSavedAtChanged();

private:
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
};
