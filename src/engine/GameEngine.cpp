// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's operations and their bookkeeping: the clock read from the wall clock, the
// end-of-game statistics, and change signals sent only once a whole step is done.
#include "engine/GameEngine.h"

#include "engine/Persistence.h"
#include "model/SystemRandom.h"
#include "store/CloudStore.h"
#include "store/KeyFolder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();

Instant systemNow()
{
    using namespace std::chrono;
    const duration<double> sinceUnixEpoch = system_clock::now().time_since_epoch();
    return sinceUnixEpoch.count() - unixToReferenceOffset;
}

// Truncates toward zero like a plain conversion, but saturates instead of overflowing: a
// clock that jumps by centuries, or a hostile stored value, must not reach undefined behaviour.
std::int64_t truncatedSeconds(double seconds)
{
    if (std::isnan(seconds))
        return 0;
    // 2^63 is exactly representable; every double below it converts safely.
    constexpr double limit = 9223372036854775808.0;
    if (seconds >= limit)
        return int64Max;
    if (seconds < -limit)
        return int64Min;
    return static_cast<std::int64_t>(seconds);
}

std::int64_t saturatingAdd(std::int64_t a, std::int64_t b)
{
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? int64Max : int64Min;
    return sum;
}

} // namespace

GameEngine::GameEngine(const GameFolders& folders, Dependencies dependencies, QObject* parent)
    : QObject(parent)
    , m_random(std::move(dependencies.random))
    , m_now(std::move(dependencies.now))
{
    if (!m_random)
        m_random = std::make_unique<SystemRandom>();
    if (!m_now)
        m_now = systemNow;
    m_store =
        std::make_unique<CloudStore>(CloudStore::Sides { folders.dataFolder, folders.syncFolder });

    m_records = persistence::loadRecords(*m_store);
    if (const std::optional<SavedGame> game = persistence::loadSavedGame(*m_store)) {
        restore(*game);
        // Remembering the restored game's stamp keeps an older game from another machine from
        // replacing it: only games saved after it are newer than what is on the board.
        if (std::isfinite(game->savedAt))
            m_lastSavedAt = game->savedAt;
    } else {
        m_board = Board::fresh(Difficulty::beginner);
    }
    // Nobody can be listening yet, so whatever loading noted goes unannounced.
    m_changed = 0;

    // Queued: a report is found inside a rescan or an attach, and is handled as a step of its
    // own once that is over. With the engine as receiver, a pending report goes with it.
    connect(m_store.get(), &CloudStore::keysChanged, this, &GameEngine::handleExternalChange,
        Qt::QueuedConnection);
}

GameEngine::~GameEngine() = default;

std::int64_t GameEngine::elapsedSeconds() const
{
    if (!m_clockStartedAt)
        return m_bankedSeconds;
    // A wall clock set back mid-game must not give a negative time, which no reader accepts.
    return std::max<std::int64_t>(
        saturatingAdd(m_bankedSeconds, truncatedSeconds(now() - *m_clockStartedAt)), 0);
}

void GameEngine::reveal(std::int64_t x, std::int64_t y)
{
    if (m_board.isOver())
        return;
    const bool wasReady = m_board.phase == Board::Phase::ready;
    Board before = m_board;
    const bool changed = m_board.reveal(x, y, *m_random);
    m_changed |= boardField;
    if (changed) {
        if (wasReady)
            setClockStartedAt(now());
        noteLoss(LosingMove::Kind::reveal, Point { x, y }, std::move(before));
        finishMove();
    }
    notifyChanges();
}

void GameEngine::chord(std::int64_t x, std::int64_t y)
{
    if (m_board.isOver())
        return;
    // A chord needs an uncovered number, so the clock is already running.
    Board before = m_board;
    const bool changed = m_board.chord(x, y, *m_random);
    m_changed |= boardField;
    if (changed) {
        noteLoss(LosingMove::Kind::chord, Point { x, y }, std::move(before));
        finishMove();
    }
    notifyChanges();
}

void GameEngine::toggleMark(std::int64_t x, std::int64_t y)
{
    if (m_board.isOver())
        return;
    const bool wasReady = m_board.phase == Board::Phase::ready;
    // Marking a fresh board starts the game, and with it the clock, before any mine is laid.
    const bool changed = m_board.toggleMark(x, y);
    m_changed |= boardField;
    if (changed) {
        if (wasReady)
            setClockStartedAt(now());
        finishMove();
    }
    notifyChanges();
}

void GameEngine::newGame(Difficulty difficulty)
{
    m_losingMove.reset();
    setBoard(Board::fresh(difficulty));
    setBankedSeconds(0);
    setClockStartedAt(std::nullopt);
    setJustSetRecord(false);
    save();
    notifyChanges();
}

std::optional<QString> GameEngine::syncFolder() const
{
    return m_store->cloudFolder();
}

GameEngine::SyncFolderResult GameEngine::attachSyncFolder(const QString& folder)
{
    switch (m_store->setCloudFolder(folder)) {
    case CloudStore::FolderResult::done:
        return SyncFolderResult::attached;
    case CloudStore::FolderResult::localFolder:
        return SyncFolderResult::dataFolder;
    case CloudStore::FolderResult::unusable:
        break;
    }
    return SyncFolderResult::unusable;
}

void GameEngine::detachSyncFolder()
{
    m_store->setCloudFolder(std::nullopt);
}

void GameEngine::rescanSyncFolder()
{
    m_store->rescan();
}

void GameEngine::setSyncIntervals(std::chrono::milliseconds settle, std::chrono::milliseconds poll)
{
    m_store->setWatchIntervals(settle, poll);
}

void GameEngine::restore(const SavedGame& game)
{
    m_losingMove.reset();
    setBoard(game.board);
    setBankedSeconds(game.elapsed);
    // Time while no machine had the game open is not counted: the clock runs on from here.
    setClockStartedAt(
        game.board.phase == Board::Phase::playing ? std::optional(now()) : std::nullopt);
}

void GameEngine::finishMove()
{
    ++m_moveCount;
    m_changed |= moveCountField;
    if (m_board.isOver()) {
        setBankedSeconds(elapsedSeconds());
        setClockStartedAt(std::nullopt);
        updateRecord();
    }
    save();
}

void GameEngine::noteLoss(LosingMove::Kind kind, Point square, Board before)
{
    if (m_board.phase == Board::Phase::lost)
        m_losingMove = LosingMove { kind, square, std::move(before) };
}

void GameEngine::updateRecord()
{
    const Difficulty difficulty = m_board.difficulty;
    Record record = recordOf(m_records, difficulty);

    // A counter at the limit readers accept stays there, so the record stays readable.
    record.played = std::min(saturatingAdd(record.played, 1), recordCountLimit);
    if (m_board.phase == Board::Phase::won) {
        record.won = std::min(saturatingAdd(record.won, 1), record.played);
        // The unclamped time decides, so a second win under one second (0 < 1) is again a
        // new best, while the stored time never drops below one second.
        if (!record.bestSeconds || m_bankedSeconds < *record.bestSeconds) {
            record.bestSeconds = std::max<std::int64_t>(m_bankedSeconds, 1);
            setJustSetRecord(true);
        }
    }

    Records records = m_records;
    records[difficulty] = record;
    setRecords(std::move(records));
}

void GameEngine::save()
{
    setLastSavedAt(now());
    persistence::write(*m_store, SavedGame { m_board, elapsedSeconds(), m_lastSavedAt }, m_records);
}

void GameEngine::handleExternalChange(const QString& folder, const QStringList& keys)
{
    // A report still queued for a folder that was left since must not bring its values in.
    if (m_store->cloudFolder() != folder)
        return;
    if (keys.contains(KeyFolder::recordsKey)) {
        // Records only grow under the merge, so a change that brings nothing new leaves the
        // map equal and nobody is told.
        setRecords(
            mergeRecords(m_records, persistence::readRecords(*m_store, persistence::Side::cloud)));
    }
    if (keys.contains(KeyFolder::savedGameKey)) {
        const std::optional<SavedGame> game =
            persistence::readSavedGame(*m_store, persistence::Side::cloud);
        if (game && persistence::isLater(game->savedAt, m_lastSavedAt)) {
            restore(*game);
            setLastSavedAt(game->savedAt);
        }
    }
    notifyChanges();
    emit syncFolderRead();
}

void GameEngine::setBoard(Board board)
{
    assign(m_board, std::move(board), boardField);
}

void GameEngine::setBankedSeconds(std::int64_t seconds)
{
    assign(m_bankedSeconds, seconds, bankedSecondsField);
}

void GameEngine::setClockStartedAt(std::optional<Instant> instant)
{
    assign(m_clockStartedAt, instant, clockStartedAtField);
}

void GameEngine::setRecords(Records records)
{
    assign(m_records, std::move(records), recordsField);
}

void GameEngine::setJustSetRecord(bool value)
{
    assign(m_justSetRecord, value, justSetRecordField);
}

void GameEngine::setLastSavedAt(Instant instant)
{
    assign(m_lastSavedAt, instant, lastSavedAtField);
}

void GameEngine::notifyChanges()
{
    // Cleared before emitting: a slot that calls back into the engine starts a fresh step of
    // its own, which announces its own changes.
    const unsigned changed = std::exchange(m_changed, 0u);
    if (changed & boardField)
        emit boardChanged();
    if (changed & bankedSecondsField)
        emit bankedSecondsChanged();
    if (changed & clockStartedAtField)
        emit clockStartedAtChanged();
    if (changed & recordsField)
        emit recordsChanged();
    if (changed & moveCountField)
        emit moveCountChanged();
    if (changed & justSetRecordField)
        emit justSetRecordChanged();
    if (changed & lastSavedAtField)
        emit lastSavedAtChanged();
}
