// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the fuzzers' seed corpora from the real encoders, so the seeds are always values the
// program itself would store: fuzz_make_corpus fuzz/corpus
#include "model/BoardCoding.h"
#include "model/RecordsCoding.h"
#include "model/SavedGameCoding.h"
#include "model/SequenceRandom.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Sample {
    std::string name;
    Board board;
};

// Small draws would lay every mine in the top rows and let the first flood win the game, so
// the mines are spread with a seeded full-range generator instead.
SequenceRandom spreadRandom()
{
    std::mt19937_64 engine(20260101);
    std::vector<std::uint64_t> values(256);
    for (auto& value : values)
        value = engine();
    return SequenceRandom(std::move(values));
}

Board played(Difficulty difficulty, int safeSquares)
{
    Board board = Board::fresh(difficulty);
    SequenceRandom random = spreadRandom();
    board.reveal(board.columns() / 2, board.rows() / 2, random);
    for (std::int64_t y = 0; y < board.rows() && safeSquares > 0; ++y) {
        for (std::int64_t x = 0; x < board.columns() && safeSquares > 0; ++x) {
            if (!board.cellAt(x, y).isMine && !board.cellAt(x, y).isRevealed) {
                board.reveal(x, y, random);
                --safeSquares;
            }
        }
    }
    return board;
}

Board marked(Board board)
{
    for (std::int64_t x = 0, marks = 0; x < board.columns() && marks < 3; ++x) {
        if (!board.cellAt(x, board.rows() - 1).isRevealed) {
            board.toggleMark(x, board.rows() - 1);
            if (marks++ == 1)
                board.toggleMark(x, board.rows() - 1);
        }
    }
    return board;
}

Board lost(Difficulty difficulty)
{
    Board board = played(difficulty, 0);
    SequenceRandom random({});
    for (std::int64_t i = 0; i < static_cast<std::int64_t>(board.cells.size()); ++i) {
        if (board.cells[static_cast<std::size_t>(i)].isMine) {
            board.reveal(i % board.columns(), i / board.columns(), random);
            break;
        }
    }
    return board;
}

std::vector<Sample> samples()
{
    return {
        { "fresh-beginner", Board::fresh(Difficulty::beginner) },
        { "playing-beginner", marked(played(Difficulty::beginner, 5)) },
        { "playing-intermediate", marked(played(Difficulty::intermediate, 20)) },
        { "lost-expert", lost(Difficulty::expert) },
        { "won-beginner", played(Difficulty::beginner, 81) },
    };
}

void write(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];

    const std::vector<std::pair<std::string, Records>> records {
        { "empty", {} },
        { "one", { { Difficulty::beginner, { 3, 2, 41 } } } },
        { "all",
            {
                { Difficulty::beginner, { 12, 9, 7 } },
                { Difficulty::intermediate, { 5, 1, 160 } },
                { Difficulty::expert, { 2, 0, std::nullopt } },
            } },
    };
    for (const auto& [name, value] : records)
        write(root / "records" / name, encodeRecords(value));
    // Forms other writers may produce: a null best time, members in another order, an extra key.
    write(root / "records" / "null-best",
        R"(["expert",{"won":0,"bestSeconds":null,"played":1,"note":"x"},"beginner",{"played":1,"won":1}])");

    int index = 0;
    for (const auto& [name, board] : samples()) {
        std::string boardBytes;
        appendBoardJson(boardBytes, board);
        write(root / "board" / name, boardBytes);
        if (name == "fresh-beginner") {
            auto odd = nlohmann::json::parse(boardBytes);
            odd["exploded"] = nullptr;
            odd["columns"] = 9;
            write(root / "board" / "null-exploded-extra-key", odd.dump());
        }
        const SavedGame game { board, index * 37, 786000000.25 + index };
        const std::string gameBytes = encodeSavedGame(game);
        write(root / "saved_game" / name, gameBytes);

        // Engine inputs: local game, local records, cloud game, cloud records, NUL-separated.
        // Kept to the smaller sizes: every execution parses them several times.
        if (board.difficulty == Difficulty::expert) {
            ++index;
            continue;
        }
        const SavedGame older { Board::fresh(Difficulty::beginner), 0, game.savedAt - 1 };
        const std::string recordsBytes =
            encodeRecords(records[static_cast<std::size_t>(index) % 3].second);
        std::string both = gameBytes + '\0' + recordsBytes + '\0' + encodeSavedGame(older) + '\0' +
            encodeRecords(records[2].second);
        write(root / "engine" / (name + "-both-sides"), both);
        write(root / "engine" / (name + "-local-only"), gameBytes + '\0' + recordsBytes);
        if (board.phase == Board::Phase::playing) {
            // Counters at their limits: the next finished game must not overflow them.
            constexpr auto most = std::numeric_limits<std::int64_t>::max();
            const SavedGame late { board, most, game.savedAt };
            const Records full { { board.difficulty, { recordCountLimit, recordCountLimit, 1 } } };
            write(root / "engine" / (name + "-at-limits"),
                encodeSavedGame(late) + '\0' + encodeRecords(full));
        }
        ++index;
    }
    return 0;
}
