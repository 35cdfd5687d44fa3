// The editor's timer logic, driven the way the editor drives it, against a processor whose
// processBlock runs in the test: peak holds, the meter panel's values, the peak series, the
// timer's rate and the live snapshot. No window is involved.

#include "editor/TimerFeed.h"
#include "support/ProcessorHarness.h"
#include "tab/DisplayHost.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 480;
constexpr int kTickMs = 41;
constexpr double kSineHz = 1000.0;
constexpr float kMinus3Db = 0.70794578f;

/** A processor with a playing transport, the feed the editor would hold, and its live snapshot. */
struct FeedRig
{
    FeedRig()
    {
        harness.prepare (kRate, kBlock);
        harness.playHead.playing = true;
    }

    /** One timer tick as the editor runs it, without a window. */
    void tick (int intervalMs = kTickMs)
    {
        feed.readMeters (intervalMs);
        feed.updateLiveSnapshot (live);
    }

    /** Plays a block of a 1 kHz sine at the given amplitude into the Source. */
    void playSine (float amplitude)
    {
        juce::AudioBuffer<float> block (2, kBlock);

        for (int i = 0; i < kBlock; ++i)
        {
            const auto value = amplitude * (float) std::sin (juce::MathConstants<double>::twoPi * kSineHz * (sinePosition + i) / kRate);
            block.setSample (0, i, value);
            block.setSample (1, i, value);
        }

        sinePosition += kBlock;
        harness.process (block);
    }

    void playSilence() { harness.processConstant (kBlock); }

    TemporaryFolder temp;
    ProcessorHarness harness { temp.folder };
    TimerFeed feed { *harness.processor };
    AnalysisSnapshot live;
    int sinePosition = 0;
};
} // namespace

// A -3 dB peak then silence, ticked every 41 ms: the hold stays six ticks, falls 0.37 dB on the
// seventh (only the 37 ms beyond 250 ms), 0.41 dB a tick after that, and is gone below -90 dB.
TEST (TimerFeed, aPeakFromProcessBlockIsHeldThenFallsAndGoes)
{
    FeedRig rig;
    rig.playSine (kMinus3Db);
    rig.playSilence();      // the oversampler's delayed tail lands in this block
    rig.tick();

    const auto heldTruePeak = rig.feed.getTruePeakHold().sourceDb;
    const auto heldSamplePeak = rig.feed.getSamplePeakHold().sourceDb;
    ASSERT_NEAR (heldTruePeak, -3.0f, 0.1f);
    ASSERT_NEAR (heldSamplePeak, -3.0f, 1.0e-3f);
    EXPECT_TRUE (std::isnan (rig.feed.getTruePeakHold().referenceDb));

    const float falls[] = { 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.37f, 0.78f };

    for (size_t i = 0; i < std::size (falls); ++i)
    {
        rig.playSilence();
        rig.tick();

        const auto values = rig.feed.meterValues();
        EXPECT_NEAR (values.sourceTruePeakDb, heldTruePeak - falls[i], 1.0e-3f) << "tick " << i + 1;
        EXPECT_NEAR (values.sourcePeakDb, heldSamplePeak - falls[i], 1.0e-3f) << "tick " << i + 1;
    }

    int ticks = (int) std::size (falls);

    while (std::isfinite (rig.feed.getTruePeakHold().sourceDb) && ticks < 1000)
    {
        rig.playSilence();
        rig.tick();
        ++ticks;
    }

    EXPECT_NEAR (ticks, (250.0 + (heldTruePeak + 90.0) * 100.0) / kTickMs, 1.0);
    EXPECT_TRUE (std::isnan (rig.feed.meterValues().sourceTruePeakDb));
}

TEST (TimerFeed, stoppingTheTransportBlanksEveryHoldOnTheNextTick)
{
    FeedRig rig;
    rig.playSine (kMinus3Db);
    rig.tick();
    ASSERT_TRUE (std::isfinite (rig.feed.meterValues().sourceTruePeakDb));
    ASSERT_TRUE (std::isfinite (rig.feed.meterValues().sourcePeakDb));

    rig.harness.playHead.playing = false;
    rig.playSine (kMinus3Db);
    rig.tick();

    const auto values = rig.feed.meterValues();
    EXPECT_FALSE (values.transportPlaying);
    EXPECT_TRUE (std::isnan (values.sourceTruePeakDb) && std::isnan (values.referenceTruePeakDb));
    EXPECT_TRUE (std::isnan (values.sourcePeakDb) && std::isnan (values.referencePeakDb));

    // Play again: the holds start from the first new reading.
    rig.harness.playHead.playing = true;
    rig.playSine (0.5f);
    rig.tick();
    EXPECT_NEAR (rig.feed.meterValues().sourcePeakDb, 20.0f * std::log10 (0.5f), 1.0e-3f);
}

TEST (TimerFeed, theMeterPanelGetsTheEnginesReadingsAndTheHeldPeaks)
{
    FeedRig rig;
    rig.harness.processor->setLevelMatchMode (2);

    for (int i = 0; i < 100; ++i)      // one second
        rig.playSine (0.25f);

    rig.tick();

    const auto values = rig.feed.meterValues();
    const auto& readings = rig.harness.processor->meterReadings;
    EXPECT_TRUE (values.transportPlaying);
    EXPECT_EQ (values.sourceShortTermLufs, readings.sourceShortTermLufs.load());
    EXPECT_EQ (values.sourceRmsDb, readings.sourceRmsDb.load());
    EXPECT_EQ (values.sourceIntegratedLufs, rig.harness.processor->sourceLoudness.integratedLufsOut.load());
    EXPECT_NEAR (values.sourcePeakDb, 20.0f * std::log10 (0.25f), 1.0e-3f);
    EXPECT_EQ (values.sourceTruePeakDb, rig.feed.getTruePeakHold().sourceDb);
    // No Reference is loaded: level matching waits.
    EXPECT_FALSE (values.levelMatchReady);
    EXPECT_TRUE (std::isnan (values.referencePeakDb));
}

TEST (TimerFeed, thePeakSeriesGrowsEveryTickUpTo512Values)
{
    FeedRig rig;

    for (int i = 0; i < 20; ++i)
    {
        rig.playSine (kMinus3Db);
        rig.tick();
    }

    ASSERT_EQ (rig.live.sourcePeakSeries.size(), 20u);
    ASSERT_EQ (rig.live.referencePeakSeries.size(), 20u);
    EXPECT_NEAR (rig.live.sourcePeakSeries.back(), -3.0f, 0.1f);
    EXPECT_EQ (rig.live.referencePeakSeries.back(), PeakSeries::kBottomDb);

    // Stopped, and with no tab at all, the series still take a value per tick: the bottom.
    rig.harness.playHead.playing = false;

    for (int i = 0; i < 600; ++i)
    {
        rig.playSilence();
        rig.tick();
    }

    EXPECT_EQ (rig.live.sourcePeakSeries.size(), PeakSeries::kMaxValues);
    EXPECT_EQ (rig.live.referencePeakSeries.size(), PeakSeries::kMaxValues);
    EXPECT_EQ (rig.live.sourcePeakSeries.front(), PeakSeries::kBottomDb);

    rig.feed.clearPeakSeries();
    rig.tick();
    EXPECT_EQ (rig.live.sourcePeakSeries.size(), 1u);
}

TEST (TimerFeed, theIntervalFollowsTheViewAndChangesOnlyWithTheRate)
{
    FeedRig rig;
    const auto view = [] (ViewMode mode) { return std::optional<int> (static_cast<int> (mode)); };

    struct Step
    {
        std::optional<int> viewMode;
        std::optional<int> restartMs;
    };

    // The timer starts at 30 Hz, as the editor's constructor starts it.
    const Step steps[] = {
        { view (ViewMode::Stereo),   std::nullopt },
        { view (ViewMode::Spectrum), 41 },
        { view (ViewMode::Spectrum), std::nullopt },     // another tab showing spectra
        { view (ViewMode::Match),    std::nullopt },
        { view (ViewMode::Analysis), std::nullopt },
        { view (ViewMode::Stereo),   33 },
        { view (ViewMode::History),  66 },
        { std::nullopt,              83 },
        { std::nullopt,              std::nullopt },
        { 42,                        41 },               // an unknown view counts as any other
        { view (ViewMode::Diff),     std::nullopt },
    };

    for (size_t i = 0; i < std::size (steps); ++i)
        EXPECT_EQ (rig.feed.takeIntervalChange (steps[i].viewMode), steps[i].restartMs) << "step " << i;

    EXPECT_EQ (rig.feed.getTimerRateHz(), TimerFeed::kOtherViewRateHz);
}

TEST (TimerFeed, meterUnitsReachTheTabsOnlyWhenTheSettingsChange)
{
    FeedRig rig;
    auto& store = rig.harness.processor->settingsStore;

    // The defaults are what the tabs were built with.
    EXPECT_FALSE (rig.feed.takeChangedMeterUnits (store).has_value());

    store.setValue (SettingsStore::kGeneralSection, EditorSettings::kLeftMeterUnitKey, "3");
    store.setValue (SettingsStore::kGeneralSection, EditorSettings::kRightMeterUnitKey, "3");
    const auto changed = rig.feed.takeChangedMeterUnits (store);
    ASSERT_TRUE (changed.has_value());
    EXPECT_EQ (changed->left, 3);
    EXPECT_EQ (changed->right, 0);
    EXPECT_EQ (rig.feed.getMeterUnits(), *changed);

    EXPECT_FALSE (rig.feed.takeChangedMeterUnits (store).has_value());
}
