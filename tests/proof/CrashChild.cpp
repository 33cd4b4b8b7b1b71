// SPDX-License-Identifier: GPL-3.0-or-later
// The program that the crash-safety test kills. It plays scripted games with the real engine and
// store on the folders it is given, and tells its parent on standard output, line by line and
// unbuffered, what it is about to do and what each completed save holds:
//   BEGIN <seq>                          before the action with that sequence number
//   SAVED <seq> <game-hash> <records-hash>   after the action's save has returned
//   DONE                                 when every action ran
// Every action runs at the instant base + seq, so a stored savedAt names the action that wrote it.
// Usage: crash_child LOCAL CLOUD SEED FIRST-SEQ ACTIONS
#include "ContentHash.h"

#include "engine/GameEngine.h"
#include "model/RandomSource.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr Instant base = 800000000.0;

struct SeededRandom final : RandomSource {
    explicit SeededRandom(std::uint64_t seed)
        : engine(seed)
    {
    }
    std::uint64_t next() override { return engine(); }
    std::mt19937_64 engine;
};

// Straight to the descriptor: whatever was printed before the kill must reach the parent.
void say(const QString& line)
{
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    qsizetype done = 0;
    while (done < bytes.size()) {
        const auto written = ::write(
            STDOUT_FILENO, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
        if (written <= 0)
            std::_Exit(3);
        done += written;
    }
}

// Mostly safe squares, so that games are won as well as lost and the statistics move both ways.
std::vector<Point> candidates(const Board& board, bool safeOnly)
{
    std::vector<Point> squares;
    for (std::int64_t y = 0; y < board.rows(); ++y) {
        for (std::int64_t x = 0; x < board.columns(); ++x) {
            const Cell& cell = board.cellAt(x, y);
            if (!cell.isRevealed && (!safeOnly || !cell.isMine))
                squares.push_back({ x, y });
        }
    }
    return squares;
}

void play(GameEngine& engine, std::mt19937_64& script)
{
    const Board& board = engine.board();
    const auto roll = script() % 100;
    if (board.isOver() || roll < 3) {
        const auto pick = script() % 10;
        engine.newGame(pick < 7 ? Difficulty::beginner
                                : (pick < 9 ? Difficulty::intermediate : Difficulty::expert));
        return;
    }
    const bool safeOnly = roll >= 15;
    const auto squares = candidates(board, safeOnly && board.minesLaid);
    if (squares.empty())
        return;
    const Point square = squares[script() % squares.size()];
    if (roll < 10)
        engine.toggleMark(square.x, square.y);
    else
        engine.reveal(square.x, square.y);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 6) {
        std::fprintf(stderr, "usage: crash_child LOCAL CLOUD SEED FIRST-SEQ ACTIONS\n");
        return 2;
    }
    const QString local = QString::fromLocal8Bit(argv[1]);
    const QString cloud = QString::fromLocal8Bit(argv[2]);
    const auto seed = std::stoull(argv[3]);
    const auto first = std::stoll(argv[4]);
    const auto actions = std::stoll(argv[5]);

    auto now = std::make_shared<Instant>(base + static_cast<Instant>(first));
    GameEngine engine(GameFolders { local, cloud },
        { [now] { return *now; }, std::make_unique<SeededRandom>(seed) });
    std::mt19937_64 script(seed ^ 0x5eed5eedULL);

    for (std::int64_t seq = first; seq < first + actions; ++seq) {
        *now = base + static_cast<Instant>(seq);
        say(QStringLiteral("BEGIN %1").arg(seq));
        play(engine, script);
        if (engine.lastSavedAt() == *now) {
            const auto stored = [&local](const char* key) {
                QFile file(local + u'/' + QLatin1String(key) + QStringLiteral(".json"));
                return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            };
            say(QStringLiteral("SAVED %1 %2 %3")
                    .arg(seq)
                    .arg(contentHash(stored("savedGame")), contentHash(stored("records"))));
        }
        // Lets the store's watch see the folder as a running program would.
        QCoreApplication::processEvents();
    }
    say(QStringLiteral("DONE"));
    return 0;
}
