#include "editor/PlaybackHistory.h"
#include "support/SyntheticAnalysis.h"

#include <gtest/gtest.h>

namespace
{
// Appends one tick at a playhead, the live snapshot's peak series grown by one value per tick
// as the editor's timer grows them.
struct HistoryFiller
{
    void tick (double playhead, float referenceOverSourceDb = 3.0f, double duration = 0.05)
    {
        auto live = SyntheticAnalysis::makeLiveSnapshot (referenceOverSourceDb);
        grow (live);
        const auto reference = SpectrumBands::measure (live.referenceSpectrum, live.referenceSampleRate);
        const auto source = SpectrumBands::measure (live.sourceSpectrum, live.sourceSampleRate);
        recorded += duration;
        history.append (live, reference, source, SpectrumBands::computeBandDifferences (live, reference, source),
                        playhead, recorded, duration);
    }

    void grow (AnalysisSnapshot& live)
    {
        referenceSeries.push_back ((float) (count % 80) - 60.0f);
        sourceSeries.push_back ((float) (count % 70) - 60.0f);
        ++count;

        if (referenceSeries.size() > 512)
        {
            referenceSeries.erase (referenceSeries.begin());
            sourceSeries.erase (sourceSeries.begin());
        }

        live.referencePeakSeries = referenceSeries;
        live.sourcePeakSeries = sourceSeries;
        live.referenceLeft = { 0.5f, -0.25f, 1.0f };
        live.referenceRight = { 0.5f, 0.25f, -1.0f };
    }

    PlaybackHistory history;
    std::vector<float> referenceSeries, sourceSeries;
    int count = 0;
    double recorded = 0.0;
};
}

TEST (PlaybackHistory, runsOfRisingPlayheadsBecomeSortedMergedRanges)
{
    HistoryFiller filler;

    // Runs: 6.0-7.0, 4.6-4.8, 4.0-5.0, 2.0-2.5 and 1.0-2.0 (each starts below the last end).
    for (double t : { 6.0, 7.0, 4.6, 4.8, 4.0, 4.5, 5.0, 2.0, 2.5, 1.0, 2.0 })
        filler.tick (t);

    const auto ranges = filler.history.getRecordedRanges();
    ASSERT_EQ (ranges.size(), 3u);
    EXPECT_EQ (ranges[0].start, 1.0);
    EXPECT_EQ (ranges[0].end, 2.5);   // 1.0-2.0 and 2.0-2.5 touch
    EXPECT_EQ (ranges[1].start, 4.0);
    EXPECT_EQ (ranges[1].end, 5.0);   // 4.6-4.8 lies inside 4.0-5.0
    EXPECT_EQ (ranges[2].start, 6.0);
    EXPECT_EQ (ranges[2].end, 7.0);
}

TEST (PlaybackHistory, droppingOldEntriesShrinksTheirRanges)
{
    HistoryFiller filler;

    for (int i = 0; i < 100; ++i)
        filler.tick (10.0 + i * 0.05);

    filler.history.dropOlderThan (filler.recorded, 2.02);

    EXPECT_EQ (filler.history.size(), 41);
    EXPECT_LE (filler.recorded - filler.history.getEntry (0).timeStamp, 2.02);
    const auto ranges = filler.history.getRecordedRanges();
    ASSERT_EQ (ranges.size(), 1u);
    EXPECT_DOUBLE_EQ (ranges[0].start, filler.history.getEntry (0).playheadSeconds);
    EXPECT_DOUBLE_EQ (ranges[0].end, 10.0 + 99 * 0.05);
}

TEST (PlaybackHistory, theNearestEntryWinsAndTheNewestOnATie)
{
    HistoryFiller filler;

    for (double t : { 1.0, 2.0, 3.0, 1.0, 2.0 })
        filler.tick (t);

    EXPECT_EQ (filler.history.findNearest (2.9), 2);
    EXPECT_EQ (filler.history.findNearest (1.1), 3);
    EXPECT_EQ (filler.history.findNearest (1.5), 4);
    EXPECT_EQ (PlaybackHistory().findNearest (1.0), -1);
}

// A recorded moment gives back what the views and the advice read: its band levels (through a
// stand-in spectrum), its band comparison and results, its loudness, its peak series as they
// were at that tick, and its stereo points, thinned and rounded.
TEST (PlaybackHistory, aRecordedMomentComesBackAsTheSnapshotItWas)
{
    HistoryFiller filler;

    for (int i = 0; i < 600; ++i)
        filler.tick (i * 0.05, i == 550 ? 6.0f : 3.0f);

    const auto moment = filler.history.makeSnapshot (550);
    auto original = SyntheticAnalysis::makeLiveSnapshot (6.0f);

    EXPECT_DOUBLE_EQ (moment.playheadSeconds, 550 * 0.05);
    EXPECT_TRUE (moment.bandDifferencesValid);
    EXPECT_NEAR (moment.bandDifferenceDb[7], 6.0f, 1.0e-3);
    EXPECT_EQ (moment.measuredBands[4].widthPercent, original.bands[4].widthPercent);
    EXPECT_EQ (moment.referenceShortTermLufs, SyntheticAnalysis::kLoudnessLufs);
    EXPECT_TRUE (moment.levelMatchActive);
    EXPECT_EQ (moment.referenceSampleRate, 48000.0);

    const auto shownLevels = SpectrumBands::measure (moment.referenceSpectrum, moment.referenceSampleRate);
    const auto originalLevels = SpectrumBands::measure (original.referenceSpectrum, original.referenceSampleRate);

    for (size_t band = 0; band < shownLevels.size(); ++band)
        EXPECT_NEAR (shownLevels[band], originalLevels[band], 1.0e-4);

    // The peak series as the editor held them at tick 550: the 512 values up to it.
    ASSERT_EQ (moment.referencePeakSeries.size(), 512u);
    EXPECT_EQ (moment.referencePeakSeries.back(), (float) (550 % 80) - 60.0f);
    EXPECT_EQ (moment.referencePeakSeries.front(), (float) ((550 - 511) % 80) - 60.0f);
    EXPECT_EQ (moment.sourcePeakSeries.back(), (float) (550 % 70) - 60.0f);

    ASSERT_EQ (moment.referenceLeft.size(), 3u);
    EXPECT_NEAR (moment.referenceLeft[1], -0.25f, 1.0e-4);
    EXPECT_NEAR (moment.referenceRight[2], -1.0f, 1.0e-4);
    EXPECT_TRUE (moment.sourceLeft.empty());
}

TEST (PlaybackHistory, stereoPointsAreThinnedEvenlyAcrossTheCapture)
{
    PlaybackHistory history;
    auto live = SyntheticAnalysis::makeLiveSnapshot();
    live.sourceLeft.resize (2048);
    live.sourceRight.resize (2048);

    for (size_t i = 0; i < 2048; ++i)
    {
        live.sourceLeft[i] = (float) i / 2048.0f;
        live.sourceRight[i] = -live.sourceLeft[i];
    }

    history.append (live, {}, {}, {}, 0.0, 0.05, 0.05);
    const auto moment = history.makeSnapshot (0);

    ASSERT_EQ (moment.sourceLeft.size(), (size_t) PlaybackHistory::kStoredStereoPairs);
    EXPECT_NEAR (moment.sourceLeft[1], 16.0f / 2048.0f, 1.0e-4);
    EXPECT_NEAR (moment.sourceRight.back(), -2032.0f / 2048.0f, 1.0e-4);
}

// The aggregate is kept in blocks so that a long history is not walked entry by entry; it
// must equal the plain sum of the entries that remain, whatever was dropped.
TEST (PlaybackHistory, theAggregateEqualsTheSumOfTheRemainingEntries)
{
    HistoryFiller filler;

    for (int i = 0; i < 3000; ++i)
    {
        filler.tick (i * 0.05, (float) (i % 9) - 4.0f, i % 97 == 0 ? 0.0 : 0.05);

        if (i % 500 == 499)
            filler.history.dropOlderThan (filler.recorded, 40.0 + i % 7);
    }

    LoopPassAccumulator expected;

    for (int i = 0; i < filler.history.size(); ++i)
    {
        const auto& entry = filler.history.getEntry (i);

        if (entry.durationSeconds > 0.0)
        {
            expected.totalSeconds += entry.durationSeconds;
            expected.addMatchedMoment (entry.bandDifferenceDb, entry.bands, entry.durationSeconds);
        }
    }

    const auto sum = filler.history.aggregate();
    EXPECT_NEAR (sum.totalSeconds, expected.totalSeconds, 1.0e-9);
    EXPECT_NEAR (sum.matchedSeconds, expected.matchedSeconds, 1.0e-9);

    for (size_t band = 0; band < sum.tonalBands.size(); ++band)
    {
        EXPECT_NEAR (sum.tonalBands[band].diffSum, expected.tonalBands[band].diffSum, 1.0e-9);
        EXPECT_NEAR (sum.tonalBands[band].aboveSeconds, expected.tonalBands[band].aboveSeconds, 1.0e-9);
        EXPECT_NEAR (sum.tonalBands[band].belowSeconds, expected.tonalBands[band].belowSeconds, 1.0e-9);
    }

    EXPECT_NEAR (sum.stereoBands[1].crestSeconds, expected.stereoBands[1].crestSeconds, 1.0e-9);
    EXPECT_GT (filler.history.size(), 0);
}
