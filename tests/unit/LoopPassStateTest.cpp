#include "editor/LoopPassState.h"
#include "support/SyntheticAnalysis.h"

#include <gtest/gtest.h>

namespace
{
constexpr double kTick = 0.041;

BandComparison matchedTick (float referenceOverSourceDb = 4.0f)
{
    BandComparison comparison;
    comparison.bandDifferencesValid = true;
    comparison.bandDifferenceDb.fill (referenceOverSourceDb);
    return comparison;
}

LoopPassState stateForLoop (double start, double end)
{
    juce::Array<LoopRegion> loops;
    loops.add ({ start, end, true });

    LoopPassState state;
    state.resetLoopPasses (LoopPassState::computeLoopKey ("/a.wav", true, 0, loops));
    return state;
}

// Plays the loop from its start for a number of wraps, with the playhead jumping back to the
// loop start after the tick that passed the end. Returns the completed passes after each wrap.
std::vector<int> playWraps (LoopPassState& state, int wraps, const BandComparison& tick = matchedTick())
{
    std::vector<int> passesAfterWrap;
    double position = state.keyStart;

    while ((int) passesAfterWrap.size() < wraps)
    {
        state.trackLoopPass (position, kTick, tick);
        position += kTick;

        if (position > state.keyEnd)
        {
            position = state.keyStart + (position - state.keyEnd);
            state.trackLoopPass (position, kTick, tick); // the wrap is seen on this tick
            passesAfterWrap.push_back (state.completedPasses);
            position += kTick;
        }
    }

    return passesAfterWrap;
}
}

TEST (LoopPassState, theKeyIsValidOnlyForAShownActiveLoopWithALength)
{
    juce::Array<LoopRegion> loops;
    loops.add ({ 1.0, 3.0, true });
    loops.add ({ 5.0, 5.0, false });

    const auto valid = LoopPassState::computeLoopKey ("/a.wav", true, 0, loops);
    EXPECT_TRUE (valid.valid);
    EXPECT_EQ (valid.start, 1.0);
    EXPECT_EQ (valid.end, 3.0);

    EXPECT_FALSE (LoopPassState::computeLoopKey ("/a.wav", false, 0, loops).valid);
    EXPECT_FALSE (LoopPassState::computeLoopKey ("/a.wav", true, -1, loops).valid);
    EXPECT_FALSE (LoopPassState::computeLoopKey ("/a.wav", true, 2, loops).valid);

    const auto empty = LoopPassState::computeLoopKey ("/a.wav", true, 1, loops);
    EXPECT_FALSE (empty.valid);
    EXPECT_EQ (empty.start, 0.0);
}

TEST (LoopPassState, aTwoSecondLoopRecordsFromItsSecondWrapAndCompletesPassOneAtTheThird)
{
    auto state = stateForLoop (0.0, 2.0);
    const auto passes = playWraps (state, 4);

    EXPECT_EQ (passes, (std::vector<int> { 0, 0, 1, 2 }));
    EXPECT_NEAR (state.lastPass.tonalBands[5].diffSum / state.lastPass.tonalBands[5].seconds, 4.0, 1.0e-9);
    EXPECT_NEAR (state.lastPass.totalSeconds, 2.0, 2 * kTick);
}

TEST (LoopPassState, withoutLevelMatchingNoPassIsRecorded)
{
    auto state = stateForLoop (0.0, 2.0);
    EXPECT_EQ (playWraps (state, 4, BandComparison {}), (std::vector<int> { 0, 0, 0, 0 }));
    EXPECT_FALSE (state.recording);
    EXPECT_EQ (state.running.matchedSeconds, 0.0);
}

TEST (LoopPassState, thePassMinimumIsAQuarterOfTheLoopButAtMostHalfASecond)
{
    EXPECT_DOUBLE_EQ (stateForLoop (0.0, 1.0).getMinimumPassSeconds(), 0.25);
    EXPECT_DOUBLE_EQ (stateForLoop (2.0, 6.0).getMinimumPassSeconds(), 0.5);
}

TEST (LoopPassState, aPassWithTooLittleMatchedTimeIsDiscardedAtItsWrap)
{
    struct Case { double loopSeconds; double matchedSeconds; int passes; };

    for (const auto& c : { Case { 4.0, 0.3, 0 }, Case { 4.0, 0.6, 1 }, Case { 1.0, 0.3, 1 } })
    {
        auto state = stateForLoop (0.0, c.loopSeconds);
        state.warmupSeconds = 3.0;
        state.matchedLastTick = true;
        state.closeLoopPass (0.0, c.loopSeconds); // starts recording

        const double step = 0.05;
        const int ticks = (int) std::lround (c.loopSeconds / step);
        const int matchedTicks = (int) std::lround (c.matchedSeconds / step);

        for (int i = 0; i < ticks; ++i)
            state.trackLoopPass (i * step, step, i < matchedTicks ? matchedTick() : BandComparison {});

        state.closeLoopPass (0.0, c.loopSeconds);
        EXPECT_EQ (state.completedPasses, c.passes) << c.loopSeconds << " s loop, " << c.matchedSeconds << " s matched";
    }
}

TEST (LoopPassState, aWrapOnlyCompletesAPassWhenThePlayheadReachedTheLoopEnd)
{
    auto state = stateForLoop (0.0, 2.0);
    playWraps (state, 2);
    ASSERT_TRUE (state.recording);

    for (double t = 0.0; t < 1.5; t += kTick)
        state.trackLoopPass (t, kTick, matchedTick());

    state.closeLoopPass (0.0, 1.5);
    EXPECT_EQ (state.completedPasses, 0);

    state.closeLoopPass (0.7, 2.0); // a jump to somewhere else is no wrap of this loop
    EXPECT_EQ (state.completedPasses, 0);
}

TEST (LoopPassState, leavingTheLoopStopsRecordingButKeepsTheWarmUp)
{
    auto state = stateForLoop (0.0, 2.0);
    playWraps (state, 3);
    ASSERT_EQ (state.completedPasses, 1);
    ASSERT_TRUE (state.recording);

    const double warmup = state.warmupSeconds;
    state.trackLoopPass (2.2, kTick, matchedTick());

    EXPECT_FALSE (state.recording);
    EXPECT_EQ (state.running.totalSeconds, 0.0);
    EXPECT_EQ (state.warmupSeconds, warmup);
    EXPECT_EQ (state.completedPasses, 1);
}

TEST (LoopPassState, aBackwardJumpThatIsNoWrapRestartsTheWarmUp)
{
    auto state = stateForLoop (0.0, 2.0);
    playWraps (state, 3);

    state.trackLoopPass (1.0, kTick, matchedTick());
    state.trackLoopPass (0.5, kTick, matchedTick());

    EXPECT_TRUE (state.trackingActive);
    EXPECT_FALSE (state.recording);
    EXPECT_NEAR (state.warmupSeconds, kTick, 1.0e-12);
    EXPECT_EQ (state.completedPasses, 1);
}

TEST (LoopPassState, anyChangeOfTheKeyEmptiesThePasses)
{
    juce::Array<LoopRegion> loops;
    loops.add ({ 0.0, 2.0, true });
    loops.add ({ 3.0, 5.0, false });
    const auto key = LoopPassState::computeLoopKey ("/a.wav", true, 0, loops);

    LoopPassState state;
    state.resetLoopPasses (key);
    playWraps (state, 3);
    ASSERT_EQ (state.completedPasses, 1);
    EXPECT_TRUE (state.hasKey (key));

    auto movedEnd = loops;
    movedEnd.getReference (0).end = 2.0 + 1.0e-9;
    auto nanEnd = loops;
    nanEnd.getReference (0).end = std::numeric_limits<double>::quiet_NaN();

    for (const auto& changed : { LoopPassState::computeLoopKey ("/a.wav", true, 0, movedEnd),
                                 LoopPassState::computeLoopKey ("/a.wav", false, 0, loops),
                                 LoopPassState::computeLoopKey ("/a.wav", true, 1, loops),
                                 LoopPassState::computeLoopKey ("/b.wav", true, 0, loops) })
        EXPECT_FALSE (state.hasKey (changed));

    EXPECT_FALSE (state.hasKey (LoopPassState::computeLoopKey ("/a.wav", true, 0, nanEnd)));

    state.resetLoopPasses (LoopPassState::computeLoopKey ("/a.wav", true, 0, movedEnd));
    EXPECT_EQ (state.completedPasses, 0);
    EXPECT_EQ (state.lastPass.totalSeconds, 0.0);
    EXPECT_FALSE (state.trackingActive);
}
