// SPDX-License-Identifier: GPL-3.0-or-later
// The merge of statistics kept by two machines.
#include "model/Record.h"

#include <algorithm>

bool isPlausible(const Record& record)
{
    return record.won >= 0 && record.won <= record.played && record.played <= recordCountLimit &&
        (!record.bestSeconds || *record.bestSeconds >= 1);
}

Record mergeRecord(const Record& a, const Record& b)
{
    Record merged;
    merged.played = std::max(a.played, b.played);
    merged.won = std::max(a.won, b.won);
    if (a.bestSeconds && b.bestSeconds)
        merged.bestSeconds = std::min(*a.bestSeconds, *b.bestSeconds);
    else
        merged.bestSeconds = a.bestSeconds ? a.bestSeconds : b.bestSeconds;
    return merged;
}

Record recordOf(const Records& records, Difficulty difficulty)
{
    const auto found = records.find(difficulty);
    return found != records.end() ? found->second : Record {};
}

Records mergeRecords(const Records& a, const Records& b)
{
    Records merged = a;
    for (const auto& [difficulty, record] : b) {
        const auto [it, inserted] = merged.try_emplace(difficulty, record);
        if (!inserted)
            it->second = mergeRecord(it->second, record);
    }
    return merged;
}
