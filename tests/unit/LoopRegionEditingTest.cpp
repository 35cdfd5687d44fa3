#include "tab/LoopRegionEditing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
juce::Array<LoopRegion> makeLoops (std::initializer_list<std::pair<double, double>> spans)
{
    juce::Array<LoopRegion> loops;

    for (const auto& span : spans)
        loops.add ({ span.first, span.second, false });

    return loops;
}

int countActive (const juce::Array<LoopRegion>& loops)
{
    int count = 0;

    for (const auto& loop : loops)
        count += loop.active ? 1 : 0;

    return count;
}

constexpr double kFileLength = 30.0;
constexpr double kMinimum = 0.5;
} // namespace

//==============================================================================
// The playhead of a loop 2.0 s to 4.0 s: the reported position wraps once it reaches the loop's
// last 0.1 ms or lies before its start (beyond a microsecond's slack); hidden loops never wrap.
struct WrapCase
{
    double reported;
    bool loopShown;
    bool wraps;
    double drawn;
};

class PlayheadWrap : public ::testing::TestWithParam<WrapCase>
{
};

TEST_P (PlayheadWrap, followsTheWrapTableOfTheActiveLoop)
{
    const auto& c = GetParam();
    const LoopRegion loop { 2.0, 4.0, true };

    const auto step = LoopRegionEditing::followPlayhead (c.reported, 0.0, c.loopShown ? &loop : nullptr);

    EXPECT_EQ (step.wrap, c.wraps);
    EXPECT_DOUBLE_EQ (step.seconds, c.drawn);
}

INSTANTIATE_TEST_SUITE_P (ActiveLoopTwoToFourSeconds, PlayheadWrap,
                          ::testing::Values (WrapCase { 3.99995, true, true, 2.0 },
                                             WrapCase { 1.9999995, true, false, 2.0 },
                                             WrapCase { 1.5, true, true, 2.0 },
                                             WrapCase { 3.0, true, false, 3.0 },
                                             WrapCase { 3.99989, true, false, 3.99989 },
                                             WrapCase { 4.5, true, true, 2.0 },
                                             WrapCase { 3.99995, false, false, 3.99995 },
                                             WrapCase { 1.5, false, false, 1.5 },
                                             WrapCase { 9.0, false, false, 9.0 }));

TEST (PlayheadWrap, aTinyMoveIsNotRepaintedAndALoopWithoutLengthNeverWraps)
{
    const auto still = LoopRegionEditing::followPlayhead (5.00005, 5.0, nullptr);
    EXPECT_FALSE (still.moved);
    EXPECT_DOUBLE_EQ (still.seconds, 5.0);

    const LoopRegion point { 2.0, 2.0, true };
    const auto step = LoopRegionEditing::followPlayhead (7.0, 0.0, &point);
    EXPECT_FALSE (step.wrap);
    EXPECT_DOUBLE_EQ (step.seconds, 7.0);
}

//==============================================================================
TEST (LoopSpan, aShortSpanIsWidenedToTheMinimumAroundItsCentre)
{
    const auto loop = LoopRegionEditing::loopFromSpan ({}, 10.0, 10.1, kMinimum, kFileLength);

    ASSERT_TRUE (loop.has_value());
    EXPECT_NEAR (loop->start, 10.05 - kMinimum / 2, 1e-12);
    EXPECT_NEAR (loop->end - loop->start, kMinimum, 1e-12);
    EXPECT_TRUE (loop->active);
}

TEST (LoopSpan, aShortSpanAtEitherEndOfTheFileIsShiftedInside)
{
    const auto atStart = LoopRegionEditing::loopFromSpan ({}, 0.0, 0.05, kMinimum, kFileLength);
    const auto atEnd = LoopRegionEditing::loopFromSpan ({}, kFileLength - 0.05, kFileLength, kMinimum, kFileLength);

    ASSERT_TRUE (atStart.has_value());
    ASSERT_TRUE (atEnd.has_value());
    EXPECT_DOUBLE_EQ (atStart->start, 0.0);
    EXPECT_DOUBLE_EQ (atStart->end, kMinimum);
    EXPECT_DOUBLE_EQ (atEnd->start, kFileLength - kMinimum);
    EXPECT_DOUBLE_EQ (atEnd->end, kFileLength);
}

TEST (LoopSpan, aSpanAcrossAnExistingLoopIsRefusedButOneTouchingItIsTaken)
{
    const auto loops = makeLoops ({ { 5.0, 8.0 } });

    EXPECT_FALSE (LoopRegionEditing::loopFromSpan (loops, 2.0, 12.0, kMinimum, kFileLength).has_value());
    EXPECT_FALSE (LoopRegionEditing::loopFromSpan (loops, 7.0, 9.0, kMinimum, kFileLength).has_value());
    EXPECT_TRUE (LoopRegionEditing::loopFromSpan (loops, 8.0, 10.0, kMinimum, kFileLength).has_value());
    EXPECT_TRUE (LoopRegionEditing::loopFromSpan (loops, 1.0, 5.0, kMinimum, kFileLength).has_value());
}

//==============================================================================
TEST (LoopMove, aMovedLoopStopsAtItsNeighboursEdges)
{
    auto loops = makeLoops ({ { 2.0, 4.0 }, { 6.0, 8.0 }, { 12.0, 14.0 } });

    LoopRegionEditing::moveLoop (loops, 1, 11.5, 2.0, kFileLength);
    EXPECT_DOUBLE_EQ (loops[1].start, 10.0);
    EXPECT_DOUBLE_EQ (loops[1].end, 12.0);

    LoopRegionEditing::moveLoop (loops, 1, 1.0, 2.0, kFileLength);
    EXPECT_DOUBLE_EQ (loops[1].start, 4.0);
    EXPECT_DOUBLE_EQ (loops[1].end, 6.0);

    LoopRegionEditing::moveLoop (loops, 2, 40.0, 2.0, kFileLength);
    EXPECT_DOUBLE_EQ (loops[2].end, kFileLength);
}

TEST (LoopMove, aLoopLongerThanItsRoomStartsAtTheLowerNeighbourAndKeepsItsLength)
{
    auto loops = makeLoops ({ { 2.0, 4.0 }, { 4.5, 4.6 }, { 5.0, 8.0 } });

    LoopRegionEditing::moveLoop (loops, 1, 4.7, 1.5, kFileLength);

    EXPECT_DOUBLE_EQ (loops[1].start, 4.0);
    EXPECT_DOUBLE_EQ (loops[1].end, 5.5);
}

TEST (LoopResize, theStartEdgeStopsAtTheEndMinusTheMinimumAndAtThePreviousLoop)
{
    auto loops = makeLoops ({ { 2.0, 4.0 }, { 6.0, 9.0 } });

    LoopRegionEditing::dragStartEdge (loops, 1, 8.9, kMinimum, kFileLength);
    EXPECT_DOUBLE_EQ (loops[1].start, 9.0 - kMinimum);
    EXPECT_DOUBLE_EQ (loops[1].end, 9.0);

    LoopRegionEditing::dragStartEdge (loops, 1, 1.0, kMinimum, kFileLength);
    EXPECT_DOUBLE_EQ (loops[1].start, 4.0);

    LoopRegionEditing::dragStartEdge (loops, 0, -3.0, kMinimum, kFileLength);
    EXPECT_DOUBLE_EQ (loops[0].start, 0.0);
}

TEST (LoopResize, theEndEdgeStopsAtTheStartPlusTheMinimumAndAtTheNextLoop)
{
    auto loops = makeLoops ({ { 2.0, 4.0 }, { 6.0, 9.0 } });

    LoopRegionEditing::dragEndEdge (loops, 0, 2.1, kMinimum, kFileLength);
    EXPECT_DOUBLE_EQ (loops[0].end, 2.0 + kMinimum);

    LoopRegionEditing::dragEndEdge (loops, 0, 7.0, kMinimum, kFileLength);
    EXPECT_DOUBLE_EQ (loops[0].end, 6.0);

    LoopRegionEditing::dragEndEdge (loops, 1, 99.0, kMinimum, kFileLength);
    EXPECT_DOUBLE_EQ (loops[1].end, kFileLength);
}

//==============================================================================
TEST (LoopRemoval, theNextLoopTakesTheDeletedIndexOrTheLastOneWhenTheLastWasDeleted)
{
    auto loops = makeLoops ({ { 1.0, 2.0 }, { 3.0, 4.0 }, { 5.0, 6.0 } });

    EXPECT_EQ (LoopRegionEditing::removeLoop (loops, 1), 1);
    EXPECT_DOUBLE_EQ (loops[1].start, 5.0);
    EXPECT_TRUE (loops[1].active);
    EXPECT_EQ (countActive (loops), 1);

    EXPECT_EQ (LoopRegionEditing::removeLoop (loops, 1), 0);
    EXPECT_TRUE (loops[0].active);

    EXPECT_EQ (LoopRegionEditing::removeLoop (loops, 0), -1);
    EXPECT_TRUE (loops.isEmpty());
}

TEST (LoopActivation, normalisingKeepsAValidIndexAndOtherwiseTakesTheFirstLoop)
{
    auto loops = makeLoops ({ { 1.0, 2.0 }, { 3.0, 4.0 } });
    loops.getReference (0).active = true;

    int index = 1;
    EXPECT_EQ (LoopRegionEditing::normaliseActive (loops, index), 1);
    EXPECT_FALSE (loops[0].active);
    EXPECT_TRUE (loops[1].active);

    index = 7;
    EXPECT_EQ (LoopRegionEditing::normaliseActive (loops, index), 0);
    EXPECT_EQ (index, 0);
    EXPECT_EQ (countActive (loops), 1);

    juce::Array<LoopRegion> none;
    index = 3;
    EXPECT_EQ (LoopRegionEditing::normaliseActive (none, index), -1);
    EXPECT_EQ (index, 3);
}

//==============================================================================
TEST (RestoredLoops, loopsStartingAtOrBeyondTheEndAreDroppedAndLongOnesClamped)
{
    auto loops = makeLoops ({ { 1.0, 2.0 }, { 8.0, 12.0 }, { 10.0, 11.0 }, { 15.0, 16.0 } });
    int active = 1;

    EXPECT_TRUE (LoopRegionEditing::fitToFile (loops, active, 10.0));

    ASSERT_EQ (loops.size(), 2);
    EXPECT_DOUBLE_EQ (loops[1].start, 8.0);
    EXPECT_DOUBLE_EQ (loops[1].end, 10.0);
    EXPECT_EQ (active, 1);
    EXPECT_TRUE (loops[1].active);

    EXPECT_FALSE (LoopRegionEditing::fitToFile (loops, active, 10.0));
}

TEST (RestoredLoops, notANumberIsDroppedAndReversedEdgesAreOrderedEvenBeforeTheLengthIsKnown)
{
    const auto nan = std::numeric_limits<double>::quiet_NaN();
    auto loops = makeLoops ({ { nan, 2.0 }, { 5.0, 3.0 }, { 1.0, std::numeric_limits<double>::infinity() } });
    int active = 2;

    EXPECT_TRUE (LoopRegionEditing::fitToFile (loops, active, 0.0));

    ASSERT_EQ (loops.size(), 1);
    EXPECT_DOUBLE_EQ (loops[0].start, 3.0);
    EXPECT_DOUBLE_EQ (loops[0].end, 5.0);
    EXPECT_EQ (active, -1);
    EXPECT_EQ (countActive (loops), 0);
}

TEST (RestoredLoops, aDroppedActiveLoopLeavesNoneActiveAndTheTimerPicksTheFirst)
{
    auto loops = makeLoops ({ { 1.0, 2.0 }, { 20.0, 21.0 } });
    int active = 1;

    LoopRegionEditing::fitToFile (loops, active, 10.0);
    EXPECT_EQ (active, -1);
    EXPECT_EQ (LoopRegionEditing::normaliseActive (loops, active), 0);
}
