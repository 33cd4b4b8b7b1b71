// SPDX-License-Identifier: GPL-3.0-or-later
// The program the crash-safety test kills: scripted games with the real engine and store on the
// given folders. It tells its parent, unbuffered, "BEGIN seq" before each action, "SAVED seq
// game-hash records-hash" once that action's save has returned, and "DONE" at the end. Action seq
// runs at startTime + seq, so a stored savedAt names the action that wrote it.
#include "TestBoards.h"
#include "TestEngine.h"

#include <QCoreApplication>
#include <QCryptographicHash>

#include <unistd.h>

namespace {

// Straight to the descriptor: whatever was said before the kill must reach the parent.
void say(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    if (::write(STDOUT_FILENO, bytes.constData(), std::size_t(bytes.size())) != bytes.size())
        std::_Exit(3);
}

// Mostly safe squares, so that games are won as well as lost and the statistics move both ways.
void play(GameEngine& engine, std::mt19937_64& script)
{
    const Board& board = engine.board();
    const auto roll = script() % 100, pick = script() % 10;
    if (board.isOver() || roll < 3)
        return engine.newGame(pick < 7 ? Difficulty::beginner
                : pick < 9             ? Difficulty::intermediate
                                       : Difficulty::expert);
    std::vector<Point> squares;
    for (std::int64_t i = 0; i < std::int64_t(board.cells.size()); ++i) {
        const Cell& cell = board.cells[std::size_t(i)];
        if (!cell.isRevealed && !(cell.isMine && roll >= 15 && board.minesLaid))
            squares.push_back({ i % board.columns(), i / board.columns() });
    }
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
    if (argc != 6)
        return std::fputs("usage: crash_child LOCAL CLOUD SEED FIRST-SEQ ACTIONS\n", stderr), 2;
    const QString local = QString::fromLocal8Bit(argv[1]);
    const auto seed = std::stoull(argv[3]);
    const auto first = std::stoll(argv[4]), actions = std::stoll(argv[5]);
    FakeClock clock;
    clock.set(startTime + double(first));
    GameEngine engine(GameFolders { local, QString::fromLocal8Bit(argv[2]) },
        { clock.function(), std::make_unique<Mt64Random>(seed) });
    std::mt19937_64 script(seed ^ 0x5eed5eedULL);
    const auto hash = [&local](const QString& key) {
        const auto bytes = readStored(local, key).value_or(QByteArray());
        return QString::fromLatin1(
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
    };
    for (auto seq = first; seq < first + actions; ++seq) {
        clock.set(startTime + double(seq));
        say(QStringLiteral("BEGIN %1").arg(seq));
        play(engine, script);
        if (engine.lastSavedAt() == clock.now())
            say(QStringLiteral("SAVED %1 %2 %3")
                    .arg(seq)
                    .arg(hash(savedGameKey), hash(recordsKey)));
        // Lets the store's watch see the folder as a running program would.
        QCoreApplication::processEvents();
    }
    say(QStringLiteral("DONE"));
}
