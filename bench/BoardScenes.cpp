// SPDX-License-Identifier: GPL-3.0-or-later
#include "BoardScenes.h"

#include "model/SequenceRandom.h"

#include <cstdint>
#include <vector>

namespace {

std::vector<std::uint64_t> fixedSequence()
{
    // A plain linear congruential run: fixed, but spread like real draws.
    std::vector<std::uint64_t> values;
    std::uint64_t state = 0x5eed;
    for (int i = 0; i < 1000; ++i) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        values.push_back(state);
    }
    return values;
}

Instant fixedClock()
{
    return 800000000.0;
}

} // namespace

namespace BoardScenes {

BoardScene fresh(Difficulty difficulty)
{
    BoardScene scene;
    scene.folder = std::make_unique<QTemporaryDir>();
    GameEngine::Dependencies dependencies { fixedClock,
        std::make_unique<SequenceRandom>(fixedSequence()) };
    scene.engine = std::make_unique<GameEngine>(
        GameFolders { scene.folder->path(), std::nullopt }, std::move(dependencies));
    scene.engine->newGame(difficulty);
    return scene;
}

void playMidGame(GameEngine& engine)
{
    const Board& board = engine.board();
    engine.reveal(board.columns() / 2, board.rows() / 2);

    // Flag the mines next to uncovered numbers in the upper half, and leave one question mark
    // and one wrong flag further out.
    int flags = 0;
    bool wrongFlag = false;
    bool question = false;
    for (std::int64_t y = 0; y < board.rows(); ++y) {
        for (std::int64_t x = 0; x < board.columns(); ++x) {
            const Cell& cell = engine.board().cellAt(x, y);
            if (cell.isRevealed)
                continue;
            bool touchesOpen = false;
            for (const Point& n : board.neighbours(x, y))
                touchesOpen = touchesOpen || engine.board().cellAt(n.x, n.y).isRevealed;
            if (cell.isMine && touchesOpen && flags < 12 && y < board.rows() / 2) {
                engine.toggleMark(x, y);
                ++flags;
            } else if (!cell.isMine && !touchesOpen && !wrongFlag && y > board.rows() / 2) {
                engine.toggleMark(x, y);
                wrongFlag = true;
            } else if (!cell.isMine && !touchesOpen && !question && x > 2 && y < 2) {
                engine.toggleMark(x, y);
                engine.toggleMark(x, y);
                question = true;
            }
        }
    }
    // Chords on satisfied numbers open more of the board.
    for (std::int64_t y = 0; y < board.rows(); ++y) {
        for (std::int64_t x = 0; x < board.columns(); ++x) {
            if (engine.board().cellAt(x, y).isRevealed)
                engine.chord(x, y);
        }
    }
}

void loseGame(GameEngine& engine)
{
    const Board& board = engine.board();
    for (std::int64_t y = board.rows() - 1; y >= 0; --y) {
        for (std::int64_t x = 0; x < board.columns(); ++x) {
            const Cell& cell = board.cellAt(x, y);
            if (cell.isMine && cell.mark == Mark::none && !board.isOver()) {
                engine.reveal(x, y);
                return;
            }
        }
    }
}

void winGame(GameEngine& engine)
{
    const Board& board = engine.board();
    if (!board.minesLaid)
        engine.reveal(board.columns() / 2, board.rows() / 2);
    for (std::int64_t y = 0; y < board.rows(); ++y) {
        for (std::int64_t x = 0; x < board.columns(); ++x) {
            const Cell& cell = board.cellAt(x, y);
            if (cell.isMine || cell.isRevealed)
                continue;
            // A safe square carrying a mark has to lose it first.
            while (board.cellAt(x, y).mark == Mark::flag)
                engine.toggleMark(x, y);
            engine.reveal(x, y);
        }
    }
}

Board largestFlood(Difficulty difficulty)
{
    Board best = Board::fresh(difficulty);
    for (std::int64_t y = 0; y < best.rows(); ++y) {
        for (std::int64_t x = 0; x < best.columns(); ++x) {
            Board board = Board::fresh(difficulty);
            SequenceRandom random(fixedSequence());
            board.reveal(x, y, random);
            if (board.revealedCount > best.revealedCount && !board.isOver())
                best = board;
        }
    }
    return best;
}

} // namespace BoardScenes
