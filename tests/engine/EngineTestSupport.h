// Shared scaffolding for the engine tests: temporary store folders, a hand-driven wall clock, a
// fixed random sequence, direct access to the stored files and moves that finish a game.
#pragma once

#include "engine/GameEngine.h"
#include "model/Board.h"
#include "model/RecordsCoding.h"
#include "model/SavedGame.h"
#include "model/SavedGameCoding.h"
#include "model/SequenceRandom.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace enginetest {

inline const QString savedGameKey = QStringLiteral("savedGame");
inline const QString recordsKey = QStringLiteral("records");

/// Far from the reference date, so that a stray 0 in a stored stamp stands out.
inline constexpr Instant startTime = 800'000'000.0;

/// The wall clock the engine reads; tests move it by hand.
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
inline std::vector<std::uint64_t> mixedSequence(std::uint64_t seed, std::size_t count = 512)
{
    std::vector<std::uint64_t> values;
    values.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        seed += 0x9e3779b97f4a7c15ULL;
        std::uint64_t z = seed;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        values.push_back(z ^ (z >> 31));
    }
    return values;
}

inline std::unique_ptr<GameEngine> makeEngine(const CloudStore::Sides& sides,
    const FakeClock& clock, std::vector<std::uint64_t> sequence = mixedSequence(7))
{
    GameEngine::Dependencies dependencies;
    dependencies.now = clock.function();
    dependencies.random = std::make_unique<SequenceRandom>(std::move(sequence));
    return std::make_unique<GameEngine>(sides, std::move(dependencies));
}

inline QString storedPath(const QString& folder, const QString& key)
{
    return QDir(folder).filePath(key + QStringLiteral(".json"));
}

/// The bytes the store keeps under key in folder, read straight from the file.
inline std::optional<QByteArray> readStored(const QString& folder, const QString& key)
{
    QFile file(storedPath(folder, key));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

/// Puts bytes where the store looks for key, as another program or machine would.
inline bool writeStored(const QString& folder, const QString& key, const QByteArray& bytes)
{
    QFile file(storedPath(folder, key));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
        file.write(bytes) == bytes.size();
}

inline QByteArray recordsBytes(const Records& records)
{
    return QByteArray::fromStdString(encodeRecords(records));
}

inline QByteArray gameBytes(const SavedGame& game)
{
    return QByteArray::fromStdString(encodeSavedGame(game));
}

inline bool writeStoredGame(const QString& folder, const SavedGame& game)
{
    return writeStored(folder, savedGameKey, gameBytes(game));
}

inline QStringList storedKeys(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

/// A local folder and a sync folder that live as long as the fixture.
struct Folders {
    QTemporaryDir local;
    QTemporaryDir cloud;

    [[nodiscard]] CloudStore::Sides sides() const { return { local.path(), cloud.path() }; }
    [[nodiscard]] CloudStore::Sides localOnly() const { return { local.path(), std::nullopt }; }
};

/// Logs every list of keys the store hands to the engine, after the engine has handled it, so
/// that a test can wait for an outside change to be taken in (or deliberately ignored).
inline std::shared_ptr<QList<QStringList>> logDeliveries(GameEngine& engine)
{
    auto log = std::make_shared<QList<QStringList>>();
    engine.store().onExternalChange = [handle = engine.store().onExternalChange, log](
                                          const QStringList& keys) {
        handle(keys);
        log->append(keys);
    };
    return log;
}

inline std::vector<Point> coveredSafeSquares(const Board& board)
{
    std::vector<Point> squares;
    for (std::int64_t y = 0; y < board.rows(); ++y) {
        for (std::int64_t x = 0; x < board.columns(); ++x) {
            const Cell& cell = board.cellAt(x, y);
            if (!cell.isMine && !cell.isRevealed)
                squares.push_back({ x, y });
        }
    }
    return squares;
}

inline std::optional<Point> firstMine(const Board& board)
{
    for (std::int64_t y = 0; y < board.rows(); ++y) {
        for (std::int64_t x = 0; x < board.columns(); ++x) {
            if (board.cellAt(x, y).isMine)
                return Point { x, y };
        }
    }
    return std::nullopt;
}

/// A fresh game of the given size in play: the clock runs from now, but no mine is laid yet,
/// since marking a square three times starts the game and leaves it unmarked.
inline void startGame(GameEngine& engine, Difficulty difficulty)
{
    engine.newGame(difficulty);
    for (int i = 0; i < 3; ++i)
        engine.toggleMark(0, 0);
}

/// A game won `seconds` after it started, all of its squares uncovered at that instant. The
/// first reveal may flood the whole board; the time is the same either way.
inline void playWinningGame(GameEngine& engine, const FakeClock& clock, double seconds,
    Difficulty difficulty = Difficulty::beginner)
{
    startGame(engine, difficulty);
    clock.advance(seconds);
    // Squares showing 0 first: their floods open most of the board in few moves.
    const auto next = [&engine]() -> std::optional<Point> {
        const std::vector<Point> left = coveredSafeSquares(engine.board());
        for (const Point& p : left) {
            if (engine.board().cellAt(p.x, p.y).adjacent == 0)
                return p;
        }
        return left.empty() ? std::nullopt : std::optional(left.front());
    };
    for (auto square = next(); square && !engine.board().isOver(); square = next())
        engine.reveal(square->x, square->y);
}

/// A game lost `seconds` after it started, on the first mine after a first safe reveal.
inline void playLosingGame(GameEngine& engine, const FakeClock& clock, double seconds,
    Difficulty difficulty = Difficulty::beginner)
{
    startGame(engine, difficulty);
    clock.advance(seconds);
    engine.reveal(engine.board().columns() / 2, engine.board().rows() / 2);
    if (const std::optional<Point> mine = firstMine(engine.board()))
        engine.reveal(mine->x, mine->y);
}

/// A beginner board in play with one flag at x on the top row, to tell games apart.
inline Board flaggedBoard(std::int64_t x)
{
    Board board = Board::fresh(Difficulty::beginner);
    board.phase = Board::Phase::playing;
    board.cells[static_cast<std::size_t>(x)].mark = Mark::flag;
    board.flagCount = 1;
    return board;
}

/// A beginner board in play with its mines along the top row and the rest uncovered except
/// (8, 8), so revealing (8, 8) wins and revealing (0, 0) loses.
inline Board nearlyWonBoard()
{
    Board board = Board::fresh(Difficulty::beginner);
    board.phase = Board::Phase::playing;
    board.minesLaid = true;
    for (std::int64_t x = 0; x < 9; ++x)
        board.cells[static_cast<std::size_t>(x)].isMine = true;
    // The tenth mine sits at (0, 1).
    board.cells[9].isMine = true;
    for (std::int64_t y = 0; y < 9; ++y) {
        for (std::int64_t x = 0; x < 9; ++x) {
            Cell& cell = board.cells[static_cast<std::size_t>(board.index(x, y))];
            if (cell.isMine)
                continue;
            for (const Point& p : board.neighbours(x, y))
                cell.adjacent += board.cellAt(p.x, p.y).isMine ? 1 : 0;
            if (x != 8 || y != 8) {
                cell.isRevealed = true;
                ++board.revealedCount;
            }
        }
    }
    return board;
}

} // namespace enginetest
