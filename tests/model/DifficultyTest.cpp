// The size table, raw values and names of difficulties, marks and phases.
#include "model/Difficulty.h"

#include "model/Board.h"
#include "model/Mark.h"

#include <gtest/gtest.h>

TEST(Difficulty, TableGivesSizesAndMines)
{
    EXPECT_EQ(columns(Difficulty::beginner), 9);
    EXPECT_EQ(rows(Difficulty::beginner), 9);
    EXPECT_EQ(mines(Difficulty::beginner), 10);
    EXPECT_EQ(columns(Difficulty::intermediate), 16);
    EXPECT_EQ(rows(Difficulty::intermediate), 16);
    EXPECT_EQ(mines(Difficulty::intermediate), 40);
    EXPECT_EQ(columns(Difficulty::expert), 30);
    EXPECT_EQ(rows(Difficulty::expert), 16);
    EXPECT_EQ(mines(Difficulty::expert), 99);
}

TEST(Difficulty, NamesInListOrder)
{
    ASSERT_EQ(allDifficulties.size(), 3u);
    EXPECT_EQ(allDifficulties[0], Difficulty::beginner);
    EXPECT_EQ(allDifficulties[2], Difficulty::expert);
    EXPECT_EQ(rawValue(Difficulty::intermediate), "intermediate");
    EXPECT_EQ(title(Difficulty::beginner), "Beginner");
    EXPECT_EQ(title(Difficulty::intermediate), "Intermediate");
    EXPECT_EQ(title(Difficulty::expert), "Expert");
}

TEST(Difficulty, SummaryUsesMultiplicationSign)
{
    // U+00D7 with a space on each side, not the letter x.
    EXPECT_EQ(summary(Difficulty::expert), "30 \xC3\x97 16, 99 mines");
    EXPECT_EQ(summary(Difficulty::beginner), "9 \xC3\x97 9, 10 mines");
    EXPECT_EQ(summary(Difficulty::intermediate), "16 \xC3\x97 16, 40 mines");
}

TEST(Difficulty, RawValuesParseCaseSensitively)
{
    for (const Difficulty difficulty : allDifficulties)
        EXPECT_EQ(difficultyFromRaw(rawValue(difficulty)), difficulty);
    // The title is not a raw value.
    EXPECT_EQ(difficultyFromRaw("Beginner"), std::nullopt);
    EXPECT_EQ(difficultyFromRaw(""), std::nullopt);
    EXPECT_EQ(difficultyFromRaw("beginner "), std::nullopt);
    // A trailing NUL makes a different string, whatever C functions would think.
    EXPECT_EQ(difficultyFromRaw(std::string_view("expert\0", 7)), std::nullopt);
    EXPECT_EQ(difficultyFromRaw("expe"), std::nullopt);
}

TEST(Mark, RawValuesRoundTripAndRejectOthers)
{
    for (const Mark mark : { Mark::none, Mark::flag, Mark::question })
        EXPECT_EQ(markFromRaw(rawValue(mark)), mark);
    EXPECT_EQ(rawValue(Mark::question), "question");
    EXPECT_EQ(markFromRaw("Flag"), std::nullopt);
    EXPECT_EQ(markFromRaw("flagged"), std::nullopt);
}

TEST(BoardPhase, RawValuesRoundTripAndRejectOthers)
{
    for (const Board::Phase phase :
        { Board::Phase::ready, Board::Phase::playing, Board::Phase::won, Board::Phase::lost })
        EXPECT_EQ(phaseFromRaw(rawValue(phase)), phase);
    EXPECT_EQ(rawValue(Board::Phase::playing), "playing");
    EXPECT_EQ(phaseFromRaw("Lost"), std::nullopt);
    EXPECT_EQ(phaseFromRaw("over"), std::nullopt);
}
