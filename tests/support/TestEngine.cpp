// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestEngine.h"

#include "model/RecordsCoding.h"
#include "model/SavedGameCoding.h"
#include "model/SequenceRandom.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

std::vector<std::uint64_t> mixedSequence(std::uint64_t seed, std::size_t count)
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

TwoFolders::TwoFolders()
{
    QDir().mkpath(local);
    QDir().mkpath(cloud);
}

std::unique_ptr<GameEngine> makeEngine(
    const GameFolders& folders, const FakeClock& clock, std::vector<std::uint64_t> sequence)
{
    GameEngine::Dependencies dependencies;
    dependencies.now = clock.function();
    dependencies.random = std::make_unique<SequenceRandom>(std::move(sequence));
    return std::make_unique<GameEngine>(folders, std::move(dependencies));
}

namespace {

QString storedPath(const QString& folder, const QString& key)
{
    return QDir(folder).filePath(key + QStringLiteral(".json"));
}

std::vector<Point> coveredSafeSquares(const Board& board)
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

} // namespace

std::optional<QByteArray> readStored(const QString& folder, const QString& key)
{
    QFile file(storedPath(folder, key));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool writeStored(const QString& folder, const QString& key, const QByteArray& bytes)
{
    QFile file(storedPath(folder, key));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
        file.write(bytes) == bytes.size();
}

QStringList storedKeys(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

bool catchUp(GameEngine& engine, int timeoutMs)
{
    bool read = false;
    const auto connection =
        QObject::connect(&engine, &GameEngine::syncFolderRead, [&read] { read = true; });
    engine.rescanSyncFolder();
    const QDeadlineTimer deadline(timeoutMs);
    while (!read && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!read)
            QThread::msleep(1);
    }
    QObject::disconnect(connection);
    return read;
}

void startGame(GameEngine& engine, Difficulty difficulty)
{
    engine.newGame(difficulty);
    for (int i = 0; i < 3; ++i)
        engine.toggleMark(0, 0);
}

void playWinningGame(
    GameEngine& engine, const FakeClock& clock, double seconds, Difficulty difficulty)
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

void playLosingGame(
    GameEngine& engine, const FakeClock& clock, double seconds, Difficulty difficulty)
{
    startGame(engine, difficulty);
    clock.advance(seconds);
    engine.reveal(engine.board().columns() / 2, engine.board().rows() / 2);
    for (std::size_t i = 0; i < engine.board().cells.size(); ++i) {
        if (engine.board().cells[i].isMine) {
            const auto index = static_cast<std::int64_t>(i);
            engine.reveal(index % engine.board().columns(), index / engine.board().columns());
            return;
        }
    }
}
