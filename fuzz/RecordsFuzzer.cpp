// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes through the reader of the stored "records" value; whatever reads must be
// written and read back to an equal value, and merging it must keep the best of both.
#include "model/Record.h"
#include "model/RecordsCoding.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "records fuzzer: %s\n", what);
        std::abort();
    }
}

bool covers(const Record& merged, const Record& side)
{
    const bool bestKept =
        !side.bestSeconds || (merged.bestSeconds && *merged.bestSeconds <= *side.bestSeconds);
    return merged.played >= side.played && merged.won >= side.won && bestKept;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto records = decodeRecords(text);
    if (!records)
        return 0;
    for (const auto& [difficulty, record] : *records)
        require(isPlausible(record), "an implausible record was accepted");
    const auto written = encodeRecords(*records);
    const auto reread = decodeRecords(written);
    require(reread.has_value(), "written records do not read back");
    require(*reread == *records, "records changed on their way through the stored form");

    // Merging with the default record of every size must never lose anything stored.
    Records defaults;
    for (const auto difficulty : allDifficulties)
        defaults[difficulty] = Record {};
    const auto merged = mergeRecords(*records, defaults);
    for (const auto& [difficulty, record] : *records)
        require(covers(merged.at(difficulty), record), "a merge lost a stored record");
    require(mergeRecords(*records, *records) == *records, "merging with itself changed records");
    return 0;
}
