// The names of difficulties, marks and phases, as written to and read from stored files.
#include "model/Difficulty.h"

#include "model/Board.h"
#include "model/Mark.h"

#include <gtest/gtest.h>

TEST(Difficulty, SummaryUsesMultiplicationSign)
{
    // U+00D7 with a space on each side, not the letter x; columns before rows.
    EXPECT_EQ(summary(Difficulty::expert), "30 \xC3\x97 16, 99 mines");
}

TEST(Difficulty, RawValuesRoundTripAndParseStrictly)
{
    for (const Difficulty difficulty : allDifficulties)
        EXPECT_EQ(difficultyFromRaw(rawValue(difficulty)), difficulty);
    for (const Mark mark : { Mark::none, Mark::flag, Mark::question })
        EXPECT_EQ(markFromRaw(rawValue(mark)), mark);
    for (const Board::Phase phase :
        { Board::Phase::ready, Board::Phase::playing, Board::Phase::won, Board::Phase::lost })
        EXPECT_EQ(phaseFromRaw(rawValue(phase)), phase);
    // Titles, padding, prefixes and a trailing NUL are different strings.
    EXPECT_EQ(difficultyFromRaw("Beginner"), std::nullopt);
    EXPECT_EQ(difficultyFromRaw(""), std::nullopt);
    EXPECT_EQ(difficultyFromRaw("beginner "), std::nullopt);
    EXPECT_EQ(difficultyFromRaw("expe"), std::nullopt);
    EXPECT_EQ(difficultyFromRaw(std::string_view("expert\0", 7)), std::nullopt);
    EXPECT_EQ(markFromRaw("Flag"), std::nullopt);
    EXPECT_EQ(phaseFromRaw("Lost"), std::nullopt);
}
