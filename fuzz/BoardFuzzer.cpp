// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes through the board's stored-form reader. A board that reads must be one a game
// could reach, must survive being written and read again unchanged, the writer's text must be
// the JSON library's own compact form, and every move of the rules must keep it reachable.
#include "model/BoardCoding.h"
#include "model/JsonRead.h"
#include "model/SequenceRandom.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "board fuzzer: %s\n", what);
        std::abort();
    }
}

// Each action takes its square from the input's last bytes, including one row and column
// beyond every edge so the refusal paths run too.
void playOn(Board board, std::string_view text)
{
    SequenceRandom random({ text.size(), 7, 3, 100, 1 });
    const auto columns = board.columns();
    const auto rows = board.rows();
    for (std::size_t i = 0; i < 6 && i + 2 <= text.size(); ++i) {
        const auto action = static_cast<unsigned char>(text[text.size() - 1 - i]);
        const auto x = static_cast<std::int64_t>(action % (columns + 2)) - 1;
        const auto y = static_cast<std::int64_t>((action / 3) % (rows + 2)) - 1;
        const Board before = board;
        bool changed = false;
        switch (action % 3) {
        case 0:
            changed = board.reveal(x, y, random);
            break;
        case 1:
            changed = board.chord(x, y, random);
            break;
        default:
            changed = board.toggleMark(x, y);
            break;
        }
        require(changed || board == before, "a refused action changed the board");
        require(board.isReachable(), "an action left a board no game reaches");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto json = jsonread::parse(text);
    if (!json)
        return 0;
    const auto board = decodeBoard(*json);
    if (!board)
        return 0;

    for (const Cell& cell : board->cells)
        require(cell.adjacent >= 0 && cell.adjacent <= 8, "a number the painter cannot show");

    std::string written;
    appendBoardJson(written, *board);
    const auto reparsed = jsonread::parse(written);
    require(reparsed.has_value(), "a written board is not JSON");
    require(nlohmann::ordered_json::parse(written).dump() == written,
        "the writer's text is not the library's compact form");
    const auto reread = decodeBoard(*reparsed);
    require(reread.has_value(), "a written board does not read back");
    require(*reread == *board, "a board changed on its way through the stored form");

    playOn(*board, text);
    return 0;
}
