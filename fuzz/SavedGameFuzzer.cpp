// Arbitrary bytes through the reader of the stored "savedGame" value. The reader has a fast path
// for the exact text this program writes and a general JSON path for everything else; both must
// agree on every input, and whatever reads must be written and read back to an equal value.
#include "model/CanonicalRead.h"
#include "model/JsonRead.h"
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
    const auto fast = canonical::readSavedGame(text);
    const auto parsed = jsonread::parse(text);
    const auto general = parsed ? decodeSavedGameValue(*parsed) : std::nullopt;
    if (fast)
        require(
            general && *general == *fast, "the fast path read what the general one does not", text);
    const auto game = decodeSavedGame(text);
    require(game == general, "decodeSavedGame disagrees with the general reader", text);
    if (!game)
        return 0;

    const auto written = encodeSavedGame(*game);
    const auto reread = decodeSavedGame(written);
    require(reread && *reread == *game, "no round trip", written);
    // What this program writes is what the fast path exists for.
    require(canonical::readSavedGame(written) == reread, "the fast path misses our own output",
        written);
    // A second trip must not drift either (number formatting of savedAt).
    require(encodeSavedGame(*reread) == written, "unstable encoding", written);
    return 0;
}
