// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes through the reader of the stored "savedGame" value: whatever reads must hold a
// reachable board and a clock that never ran backwards, and must be written and read back to an
// equal value with a stable text.
#include "model/SavedGameCoding.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

void require(bool condition, const char* what, std::string_view text)
{
    if (!condition) {
        std::fprintf(stderr, "saved game fuzzer: %s: %.*s\n", what, static_cast<int>(text.size()),
            text.data());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto game = decodeSavedGame(text);
    if (!game)
        return 0;
    require(game->board.isReachable() && game->elapsed >= 0, "accepted an impossible game", text);

    const auto written = encodeSavedGame(*game);
    const auto reread = decodeSavedGame(written);
    require(reread && *reread == *game, "no round trip", written);
    // A second trip must not drift either (number formatting of savedAt).
    require(encodeSavedGame(*reread) == written, "unstable encoding", written);
    return 0;
}
