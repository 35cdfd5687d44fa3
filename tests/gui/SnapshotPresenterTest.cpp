#include "editor/SnapshotPresenter.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct DifferenceCase
{
    bool levelMatchActive;
    float reference, source;
    bool valid;
    float difference;
};

/** A tab page for a file that does not exist, as the editor would build it. */
struct TabRig
{
    TabRig() { formatManager.registerBasicFormats(); }

    juce::AudioFormatManager formatManager;
    juce::AudioThumbnailCache thumbnailCache { 10 };
    SignalViewTab tab { "Mix.wav", formatManager, thumbnailCache,
                        juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("no-such-file.wav") };
};
} // namespace

TEST (SnapshotPresenter, theLevelDifferenceIsKnownOnlyWhenLevelMatchingMeasuredBothSignals)
{
    const DifferenceCase cases[] = {
        { true, -14.0f, -10.5f, true, 3.5f },
        { false, -14.0f, -10.5f, false, 0.0f },
        { true, kNaN, -10.5f, false, 0.0f },
        { true, -std::numeric_limits<float>::infinity(), -10.5f, false, 0.0f },
    };

    for (const auto& c : cases)
    {
        AnalysisSnapshot snapshot;
        snapshot.levelMatchActive = c.levelMatchActive;
        snapshot.referenceShortTermLufs = c.reference;
        snapshot.sourceShortTermLufs = c.source;

        const auto difference = SnapshotPresenter::levelDifferenceOf (snapshot);
        EXPECT_EQ (difference.valid, c.valid) << c.reference << " " << c.source;
        EXPECT_EQ (difference.differenceDb, c.difference) << c.reference << " " << c.source;
    }
}

TEST (SnapshotPresenter, aSnapshotReachesTheDifferenceViewAndTheStyleReachesBothBandViews)
{
    TabRig rig;
    auto& views = rig.tab.displayHost;

    AnalysisSnapshot snapshot;
    snapshot.levelMatchActive = true;
    snapshot.referenceShortTermLufs = -12.0f;
    snapshot.sourceShortTermLufs = -14.0f;
    snapshot.bands[4].widthPercent = 33.0f;
    snapshot.referenceSpectrum.assign (16, 1.0f);
    snapshot.referenceSampleRate = 48000.0;
    snapshot.referencePeakSeries = { -3.0f };
    snapshot.sourcePeakSeries = { -6.0f };

    SnapshotPresenter::push (snapshot, rig.tab, false, OutputSelection::Source);
    EXPECT_TRUE (views.differenceView.isLevelDifferenceValid());
    EXPECT_EQ (views.differenceView.getBandStats()[4].widthPercent, 33.0f);

    SnapshotPresenter::push (AnalysisSnapshot(), rig.tab, true, OutputSelection::Reference);
    EXPECT_FALSE (views.differenceView.isLevelDifferenceValid());

    SnapshotPresenter::applyPlotStyle (rig.tab, BandDisplayBase::PlotStyle::Lines);
    EXPECT_EQ (views.spectrumView.getPlotStyle(), BandDisplayBase::PlotStyle::Lines);
    EXPECT_EQ (views.differenceView.getPlotStyle(), BandDisplayBase::PlotStyle::Lines);
}
