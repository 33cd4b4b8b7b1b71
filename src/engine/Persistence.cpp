// SPDX-License-Identifier: GPL-3.0-or-later
// Reading, choosing and writing the two stored keys through the store's two sides.
#include "engine/Persistence.h"

#include "model/RecordsCoding.h"
#include "model/SavedGameCoding.h"
#include "store/CloudStore.h"
#include "store/KeyFolder.h"

#include <exception>
#include <string_view>

namespace persistence {

namespace {

std::optional<QByteArray> read(const CloudStore& store, Side side, const QString& key)
{
    if (side == Side::local)
        return store.readLocal(key);
    if (!store.hasCloud())
        return std::nullopt;
    return store.readCloud(key);
}

std::string_view view(const QByteArray& bytes)
{
    return { bytes.constData(), static_cast<std::size_t>(bytes.size()) };
}

QByteArray bytes(const std::string& text)
{
    return { text.data(), static_cast<qsizetype>(text.size()) };
}

} // namespace

Records readRecords(const CloudStore& store, Side side)
{
    const std::optional<QByteArray> stored = read(store, side, KeyFolder::recordsKey);
    if (!stored)
        return {};
    return decodeRecords(view(*stored)).value_or(Records {});
}

std::optional<SavedGame> readSavedGame(const CloudStore& store, Side side)
{
    const std::optional<QByteArray> stored = read(store, side, KeyFolder::savedGameKey);
    if (!stored)
        return std::nullopt;
    return decodeSavedGame(view(*stored));
}

Records loadRecords(const CloudStore& store)
{
    return mergeRecords(readRecords(store, Side::local), readRecords(store, Side::cloud));
}

std::optional<SavedGame> loadSavedGame(const CloudStore& store)
{
    std::optional<SavedGame> local = readSavedGame(store, Side::local);
    std::optional<SavedGame> cloud = readSavedGame(store, Side::cloud);
    if (!cloud)
        return local;
    if (!local || isLater(cloud->savedAt, local->savedAt))
        return cloud;
    return local;
}

bool isLater(Instant candidate, Instant reference)
{
    return candidate > reference;
}

void write(CloudStore& store, const SavedGame& game, const Records& records)
{
    // The encoders are not expected to throw, but nothing may escape into the engine's
    // callers; a key that cannot be encoded is simply not written this time.
    try {
        store.set(bytes(encodeSavedGame(game)), KeyFolder::savedGameKey);
    } catch (const std::exception&) {
    }
    try {
        store.set(bytes(encodeRecords(records)), KeyFolder::recordsKey);
    } catch (const std::exception&) {
    }
}

} // namespace persistence
