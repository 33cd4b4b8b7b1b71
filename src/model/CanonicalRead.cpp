// The canonical-form fast path of the saved game's reader. It accepts a strict subset of
// JSON, piece by piece, and gives up at the first byte it does not expect.
#include "model/CanonicalRead.h"

#include "model/JsonRead.h"

#include <charconv>

namespace canonical {

namespace {

class Cursor {
public:
    explicit Cursor(std::string_view text)
        : m_rest(text)
    {
    }

    [[nodiscard]] bool atEnd() const { return m_rest.empty(); }

    bool literal(std::string_view expected)
    {
        if (!m_rest.starts_with(expected))
            return false;
        m_rest.remove_prefix(expected.size());
        return true;
    }

    std::optional<bool> boolean()
    {
        if (literal("true"))
            return true;
        if (literal("false"))
            return false;
        return std::nullopt;
    }

    /// A JSON integer token that fits in int64. Leading zeros, which JSON forbids, are left to
    /// the general reader to refuse.
    std::optional<std::int64_t> integer()
    {
        const std::size_t sign = m_rest.starts_with('-') ? 1 : 0;
        std::size_t end = sign;
        while (end < m_rest.size() && m_rest[end] >= '0' && m_rest[end] <= '9')
            ++end;
        const std::size_t digits = end - sign;
        if (digits == 0 || (digits > 1 && m_rest[sign] == '0'))
            return std::nullopt;
        std::int64_t value = 0;
        const auto [ptr, error] = std::from_chars(m_rest.data(), m_rest.data() + end, value);
        if (error != std::errc {} || ptr != m_rest.data() + end)
            return std::nullopt;
        m_rest.remove_prefix(end);
        return value;
    }

    /// A string of lower-case ASCII letters, which covers every raw value; anything else, an
    /// escape included, is left to the general reader.
    std::optional<std::string_view> word()
    {
        if (!m_rest.starts_with('"'))
            return std::nullopt;
        std::size_t end = 1;
        while (end < m_rest.size() && m_rest[end] >= 'a' && m_rest[end] <= 'z')
            ++end;
        if (end >= m_rest.size() || m_rest[end] != '"')
            return std::nullopt;
        const std::string_view content = m_rest.substr(1, end - 1);
        m_rest.remove_prefix(end + 1);
        return content;
    }

    /// A number token, converted by the JSON library itself so that the value matches the
    /// general reader's to the last bit.
    std::optional<double> number()
    {
        std::size_t end = 0;
        while (end < m_rest.size() &&
            std::string_view("0123456789+-.eE").find(m_rest[end]) != std::string_view::npos)
            ++end;
        const auto value = jsonread::parse(m_rest.substr(0, end));
        if (!value)
            return std::nullopt;
        const auto result = jsonread::number(*value);
        if (result)
            m_rest.remove_prefix(end);
        return result;
    }

private:
    std::string_view m_rest;
};

std::optional<Cell> readCell(Cursor& in)
{
    Cell cell;
    if (!in.literal(R"({"isMine":)"))
        return std::nullopt;
    const auto isMine = in.boolean();
    if (!isMine || !in.literal(R"(,"isRevealed":)"))
        return std::nullopt;
    const auto isRevealed = in.boolean();
    if (!isRevealed || !in.literal(R"(,"mark":)"))
        return std::nullopt;
    const auto markRaw = in.word();
    const auto mark = markRaw ? markFromRaw(*markRaw) : std::nullopt;
    if (!mark || !in.literal(R"(,"adjacent":)"))
        return std::nullopt;
    const auto adjacent = in.integer();
    if (!adjacent || !in.literal("}"))
        return std::nullopt;
    cell.isMine = *isMine;
    cell.isRevealed = *isRevealed;
    cell.mark = *mark;
    cell.adjacent = *adjacent;
    return cell;
}

std::optional<Board> readBoard(Cursor& in)
{
    Board board;
    if (!in.literal(R"({"difficulty":)"))
        return std::nullopt;
    const auto difficultyRaw = in.word();
    const auto difficulty = difficultyRaw ? difficultyFromRaw(*difficultyRaw) : std::nullopt;
    if (!difficulty || !in.literal(R"(,"cells":[)"))
        return std::nullopt;
    board.difficulty = *difficulty;

    const auto expected =
        static_cast<std::size_t>(columns(board.difficulty) * rows(board.difficulty));
    board.cells.reserve(expected);
    do {
        const auto cell = readCell(in);
        if (!cell || board.cells.size() == expected)
            return std::nullopt;
        board.cells.push_back(*cell);
    } while (in.literal(","));
    if (board.cells.size() != expected || !in.literal(R"(],"phase":)"))
        return std::nullopt;

    const auto phaseRaw = in.word();
    const auto phase = phaseRaw ? phaseFromRaw(*phaseRaw) : std::nullopt;
    if (!phase || !in.literal(R"(,"minesLaid":)"))
        return std::nullopt;
    board.phase = *phase;
    const auto minesLaid = in.boolean();
    if (!minesLaid || !in.literal(R"(,"revealedCount":)"))
        return std::nullopt;
    board.minesLaid = *minesLaid;
    const auto revealedCount = in.integer();
    if (!revealedCount || !in.literal(R"(,"flagCount":)"))
        return std::nullopt;
    board.revealedCount = *revealedCount;
    const auto flagCount = in.integer();
    if (!flagCount)
        return std::nullopt;
    board.flagCount = *flagCount;

    if (in.literal(R"(,"exploded":{"x":)")) {
        const auto x = in.integer();
        if (!x || !in.literal(R"(,"y":)"))
            return std::nullopt;
        const auto y = in.integer();
        if (!y || !in.literal("}"))
            return std::nullopt;
        board.exploded = Point { *x, *y };
    }
    if (!in.literal("}"))
        return std::nullopt;
    return board;
}

} // namespace

std::optional<SavedGame> readSavedGame(std::string_view bytes)
{
    Cursor in(bytes);
    if (!in.literal(R"({"board":)"))
        return std::nullopt;
    auto board = readBoard(in);
    if (!board || !in.literal(R"(,"elapsed":)"))
        return std::nullopt;
    const auto elapsed = in.integer();
    if (!elapsed || !in.literal(R"(,"savedAt":)"))
        return std::nullopt;
    const auto savedAt = in.number();
    if (!savedAt || !in.literal("}") || !in.atEnd())
        return std::nullopt;
    return SavedGame { std::move(*board), *elapsed, *savedAt };
}

} // namespace canonical
