// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics' stored form: an array alternating a size's raw value and its record, so a
// map keyed by an enumeration survives a plain JSON encoder.
#include "model/RecordsCoding.h"

#include "model/JsonRead.h"

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;
using nlohmann::ordered_json;

std::optional<std::int64_t> requiredInteger(const json& object, const char* key)
{
    const auto it = object.find(key);
    return it == object.end() ? std::nullopt : jsonread::integer(*it);
}

std::optional<Record> decodeRecord(const json& value)
{
    if (!value.is_object())
        return std::nullopt;
    Record record;
    const auto played = requiredInteger(value, "played");
    if (!played)
        return std::nullopt;
    record.played = *played;
    const auto won = requiredInteger(value, "won");
    if (!won)
        return std::nullopt;
    record.won = *won;
    // Written only once a game was won; null is read the same as missing.
    if (const auto it = value.find("bestSeconds"); it != value.end() && !it->is_null()) {
        const auto best = jsonread::integer(*it);
        if (!best)
            return std::nullopt;
        record.bestSeconds = *best;
    }
    return record;
}

std::optional<Records> decodeRecordsValue(const json& value)
{
    if (!value.is_array() || value.size() % 2 != 0)
        return std::nullopt;
    Records records;
    for (std::size_t i = 0; i < value.size(); i += 2) {
        const auto raw = jsonread::string(value[i]);
        const auto difficulty = raw ? difficultyFromRaw(*raw) : std::nullopt;
        if (!difficulty)
            return std::nullopt;
        // One implausible record must not win every later merge, nor cost the other sizes
        // theirs: that size alone reads as never played. A size named twice takes its later
        // record.
        const auto record = decodeRecord(value[i + 1]);
        if (record && isPlausible(*record))
            records[*difficulty] = *record;
        else
            records.erase(*difficulty);
    }
    return records;
}

} // namespace

std::string encodeRecords(const Records& records)
{
    ordered_json array = ordered_json::array();
    for (const auto& [difficulty, record] : records) {
        ordered_json object = ordered_json::object();
        object["played"] = record.played;
        object["won"] = record.won;
        if (record.bestSeconds)
            object["bestSeconds"] = *record.bestSeconds;
        array.push_back(rawValue(difficulty));
        array.push_back(std::move(object));
    }
    return array.dump();
}

std::optional<Records> decodeRecords(std::string_view bytes)
{
    const auto value = jsonread::parse(bytes);
    if (!value)
        return std::nullopt;
    return jsonread::guarded([&value] { return decodeRecordsValue(*value); });
}
