// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's whole loading path fed arbitrary stored files. The input is split at NUL bytes
// into local "savedGame", local "records", cloud "savedGame" and cloud "records"; a part the
// input does not reach leaves that file absent. The engine then loads, plays a few moves that
// save, takes an outside change of both keys, and every step is checked against what a player
// may rely on: whatever it saved reads back, and the statistics never shrink.
#include "TestBoards.h"
#include "TestEngine.h"

#include "engine/GameEngine.h"
#include "model/Record.h"
#include "model/RecordsCoding.h"
#include "model/SavedGameCoding.h"
#include "model/SequenceRandom.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

TwoFolders* folders = nullptr;

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "engine fuzzer: %s\n", what);
        std::abort();
    }
}

void dropMessage(QtMsgType, const QMessageLogContext&, const QString&)
{
}

void writeOrRemove(
    const QString& folder, const char* key, const std::optional<std::string_view>& bytes)
{
    const QString path = folder + QLatin1Char('/') + QLatin1String(key) + QStringLiteral(".json");
    QFile::remove(path);
    if (!bytes)
        return;
    QFile file(path);
    require(file.open(QIODevice::WriteOnly), "cannot write the temporary folder");
    file.write(bytes->data(), static_cast<qint64>(bytes->size()));
}

std::array<std::optional<std::string_view>, 4> splitParts(std::string_view text)
{
    std::array<std::optional<std::string_view>, 4> parts;
    for (auto& part : parts) {
        const auto end = text.find('\0');
        part = text.substr(0, end);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return parts;
}

Records decodedOrEmpty(const std::optional<std::string_view>& bytes)
{
    return bytes ? decodeRecords(*bytes).value_or(Records {}) : Records {};
}

std::optional<SavedGame> decodedGame(const std::optional<std::string_view>& bytes)
{
    return bytes ? decodeSavedGame(*bytes) : std::nullopt;
}

// After a save both sides hold the same bytes: exactly the engine's state, in a form that reads
// back. Only one side is decoded; the other is compared byte for byte, which is cheaper.
void checkSaved(GameEngine& engine)
{
    const auto game = readStored(folders->local, "savedGame");
    const auto records = readStored(folders->local, "records");
    require(game && records, "a save left a key unwritten");
    require(readStored(folders->cloud, "savedGame") == game &&
            readStored(folders->cloud, "records") == records,
        "the two sides differ after a save");
    const auto decodedGame = decodeSavedGame(std::string_view(game->constData(), game->size()));
    require(decodedGame.has_value(), "a saved game does not read back");
    require(decodedGame->board == engine.board(), "the saved board differs from the engine's");
    require(decodedGame->savedAt == engine.lastSavedAt(), "savedAt differs from lastSavedAt");
    const auto decodedRecords =
        decodeRecords(std::string_view(records->constData(), records->size()));
    require(decodedRecords == engine.records(), "the saved records differ from the engine's");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    qInstallMessageHandler(dropMessage);
    static TwoFolders shared;
    require(shared.root.isValid(), "no temporary folder");
    folders = &shared;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parts = splitParts(text);
    writeOrRemove(folders->local, "savedGame", parts[0]);
    writeOrRemove(folders->local, "records", parts[1]);
    writeOrRemove(folders->cloud, "savedGame", parts[2]);
    writeOrRemove(folders->cloud, "records", parts[3]);

    // A clock that moves a quarter second per reading, so the elapsed arithmetic runs too.
    auto instant = std::make_shared<Instant>(800000000.0);
    GameEngine::Dependencies dependencies {
        [instant] { return *instant += 0.25; },
        std::make_unique<SequenceRandom>(std::vector<std::uint64_t> { size, 5, 17, 2, 40 }),
    };
    GameEngine engine(GameFolders { folders->local, folders->cloud }, std::move(dependencies));

    // Loading: the merge of both sides' statistics, and the newer game (the local one on a tie).
    const Records loaded = mergeRecords(decodedOrEmpty(parts[1]), decodedOrEmpty(parts[3]));
    require(engine.records() == loaded, "loading did not merge both sides' records");
    const auto localGame = decodedGame(parts[0]);
    const auto cloudGame = decodedGame(parts[2]);
    const auto chosen = (cloudGame && (!localGame || cloudGame->savedAt > localGame->savedAt))
        ? cloudGame
        : localGame;
    require(engine.board() == (chosen ? chosen->board : Board::fresh(Difficulty::beginner)),
        "loading did not restore the newer saved game");

    // A few moves on squares picked by the input's last bytes, one square past each edge too.
    Records before = engine.records();
    for (std::size_t i = 0; i < 6; ++i) {
        const auto pick = size > i ? static_cast<unsigned char>(text[size - 1 - i]) : 0U;
        const auto columns = engine.board().columns();
        const auto rows = engine.board().rows();
        const auto x = static_cast<std::int64_t>(pick % (columns + 2)) - 1;
        const auto y = static_cast<std::int64_t>((pick / 5) % (rows + 2)) - 1;
        const Instant savedBefore = engine.lastSavedAt();
        switch (pick % 4) {
        case 0:
        case 1:
            engine.reveal(x, y);
            break;
        case 2:
            engine.chord(x, y);
            break;
        default:
            engine.toggleMark(x, y);
            break;
        }
        require(grewFrom(engine.records(), before), "an action shrank the records");
        before = engine.records();
        if (engine.lastSavedAt() != savedBefore)
            checkSaved(engine);
    }

    // An outside change brings the local files into the cloud folder.
    writeOrRemove(folders->cloud, "savedGame", parts[0]);
    writeOrRemove(folders->cloud, "records", parts[1]);
    engine.rescanSyncFolder();
    QCoreApplication::processEvents();
    require(grewFrom(engine.records(), before), "an outside change shrank the records");

    engine.newGame(size % 2 == 0 ? Difficulty::expert : Difficulty::intermediate);
    checkSaved(engine);
    return 0;
}
