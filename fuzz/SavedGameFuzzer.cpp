// Arbitrary bytes through the reader of the stored "savedGame" value; whatever reads must be
// written and read back to an equal value.
#include "model/SavedGameCoding.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto game = decodeSavedGame(text);
    if (!game)
        return 0;
    const auto written = encodeSavedGame(*game);
    const auto reread = decodeSavedGame(written);
    if (!reread || !(*reread == *game)) {
        std::fprintf(stderr, "saved game fuzzer: no round trip for %s\n", written.c_str());
        std::abort();
    }
    // A second trip must not drift either (number formatting of savedAt).
    if (encodeSavedGame(*reread) != written) {
        std::fprintf(stderr, "saved game fuzzer: unstable encoding of %s\n", written.c_str());
        std::abort();
    }
    return 0;
}
