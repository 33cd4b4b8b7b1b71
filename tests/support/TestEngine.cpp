// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestEngine.h"

#include "model/SequenceRandom.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

std::vector<std::uint64_t> mixedSequence(std::uint64_t seed, std::size_t count)
{
    std::vector<std::uint64_t> values;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint64_t z = seed += 0x9e3779b97f4a7c15ULL;
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

std::optional<QByteArray> readStored(const QString& folder, const QString& key)
{
    QFile file(QDir(folder).filePath(key + QStringLiteral(".json")));
    return file.open(QIODevice::ReadOnly) ? std::optional(file.readAll()) : std::nullopt;
}

bool writeStored(const QString& folder, const QString& key, const QByteArray& bytes)
{
    QFile file(QDir(folder).filePath(key + QStringLiteral(".json")));
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
    // Squares showing 0 first, in reading order: their floods open most of the board in few moves.
    const auto next = [&board = engine.board()]() -> std::optional<Point> {
        std::optional<Point> covered;
        for (std::int64_t i = 0; i < std::int64_t(board.cells.size()); ++i) {
            const Point p { i % board.columns(), i / board.columns() };
            const Cell& cell = board.cellAt(p.x, p.y);
            if (!cell.isMine && !cell.isRevealed && cell.adjacent == 0)
                return p;
            if (!cell.isMine && !cell.isRevealed && !covered)
                covered = p;
        }
        return covered;
    };
    for (auto square = next(); square && !engine.board().isOver(); square = next())
        engine.reveal(square->x, square->y);
}

void playLosingGame(
    GameEngine& engine, const FakeClock& clock, double seconds, Difficulty difficulty)
{
    startGame(engine, difficulty);
    clock.advance(seconds);
    const Board& board = engine.board();
    engine.reveal(board.columns() / 2, board.rows() / 2);
    for (std::int64_t i = 0; i < std::int64_t(board.cells.size()); ++i) {
        if (board.cells[std::size_t(i)].isMine)
            return engine.reveal(i % board.columns(), i / board.columns());
    }
}
