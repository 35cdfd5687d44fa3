#include "support/PlayedSignals.h"
#include "support/ViewTestKit.h"
#include "tab/DisplayHost.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ViewTestKit;

namespace
{
constexpr double kSampleRate = 48000.0;
constexpr double kSeconds = 8.0;
constexpr double kShelfCornerHz = 3000.0;
constexpr float kShelfGainDb = 4.0f;

// The display host's size in a 1200 x 720 editor.
constexpr int kHostWidth = 1176;
constexpr int kHostHeight = 502;

// A music-like mix as the Source against the same mix through a 4 dB high shelf as the
// Reference, played through the processor once for all tests of this file.
const AnalysisSnapshot& shelvedMix()
{
    static const auto snapshot = []
    {
        const auto mix = PlayedSignals::makeMix (kSampleRate, kSeconds);
        return PlayedSignals::play (PlayedSignals::withHighShelf (mix, kSampleRate, kShelfCornerHz, kShelfGainDb), mix, kSampleRate);
    }();
    return snapshot;
}

// Pink noise against the same noise through the shelf: a clean check of where the shelf is.
const AnalysisSnapshot& shelvedNoise()
{
    static const auto snapshot = []
    {
        const auto noise = PlayedSignals::makePinkNoise (kSampleRate, kSeconds);
        return PlayedSignals::play (PlayedSignals::withHighShelf (noise, kSampleRate, kShelfCornerHz, kShelfGainDb), noise, kSampleRate);
    }();
    return snapshot;
}

// Feeds the band views from a snapshot the way the editor's timer does.
void feed (DisplayHost& host, const AnalysisSnapshot& s)
{
    const bool valid = s.levelMatchActive && std::isfinite (s.referenceShortTermLufs) && std::isfinite (s.sourceShortTermLufs);
    host.differenceView.setLevelDifference (valid, valid ? s.sourceShortTermLufs - s.referenceShortTermLufs : 0.0f);

    DifferenceDisplay::BandStats stats;
    std::copy (s.bands.begin(), s.bands.end(), stats.begin());
    host.differenceView.setBandStats (stats);

    for (BandDisplayBase* view : { static_cast<BandDisplayBase*> (&host.spectrumView), static_cast<BandDisplayBase*> (&host.differenceView) })
    {
        view->pushSpectrum (s.referenceSpectrum, BandDisplayBase::Series::Reference, s.referenceSampleRate);
        view->pushSpectrum (s.sourceSpectrum, BandDisplayBase::Series::Source, s.sourceSampleRate);
    }

    host.spectrumView.handleUpdateNowIfNeeded();
}

struct BandViewScreenshots : ::testing::Test
{
    BandViewScreenshots()
    {
        host.setSize (kHostWidth, kHostHeight);
        host.spectrumView.setShowHoverReadout (false);
    }

    void show (ViewMode mode) { host.setViewMode (static_cast<int> (mode)); }

    void setStyle (BandDisplayBase::PlotStyle style)
    {
        host.spectrumView.setPlotStyle (style);
        host.differenceView.setPlotStyle (style);
    }

    // Mean DIFF value over the bands whose centres lie in low ... high Hz.
    static float meanDifference (const DifferenceDisplay& view, double low, double high)
    {
        float sum = 0.0f;
        int count = 0;
        const auto& centres = view.getBandCentres();

        for (size_t band = 0; band < view.getBandDifferences().size(); ++band)
            if (centres[band] >= low && centres[band] <= high && std::isfinite (view.getBandDifferences()[band]))
            {
                sum += view.getBandDifferences()[band];
                ++count;
            }

        return count > 0 ? sum / (float) count : std::nanf ("");
    }

    DisplayHost host;
};
}

TEST_F (BandViewScreenshots, theProcessorMeasuredBothSignalsForTheViews)
{
    for (const auto* snapshot : { &shelvedMix(), &shelvedNoise() })
    {
        EXPECT_EQ (snapshot->referenceSpectrum.size(), 4097u);
        EXPECT_EQ (snapshot->sourceSpectrum.size(), 4097u);
        EXPECT_DOUBLE_EQ (snapshot->referenceSampleRate, kSampleRate);
        EXPECT_TRUE (snapshot->levelMatchActive);
        EXPECT_GT (snapshot->referenceShortTermLufs, snapshot->sourceShortTermLufs);
    }
}

TEST_F (BandViewScreenshots, theDiffBarsShowTheShelfWhereItIs)
{
    feed (host, shelvedNoise());
    show (ViewMode::Diff);
    host.differenceView.setMatchEqMode (false);
    render (host);

    // Below the corner the two agree up to the loudness offset; well above it the Source
    // lacks the shelf's 4 dB.
    const auto lows = meanDifference (host.differenceView, 40.0, 800.0);
    const auto highs = meanDifference (host.differenceView, 8000.0, 16000.0);
    EXPECT_NEAR (highs - lows, -kShelfGainDb, 0.5f);

    // Loudness-normalised: the bands straddle 0 rather than all sitting at -4 dB.
    EXPECT_GT (lows, 0.0f);
    EXPECT_LT (highs, 0.0f);

    saveScreenshot (host, "diff-bars-shelved-noise.png");
}

TEST_F (BandViewScreenshots, spectrumInBarsAndInLines)
{
    feed (host, shelvedMix());
    show (ViewMode::Spectrum);

    setStyle (BandDisplayBase::PlotStyle::Bars);
    saveScreenshot (host, "spectrum-bars.png");

    // A selected band for band listen, over the bars.
    click (host.spectrumView, { 50.0f + 936.0f / 30.0f * 21.5f, 200.0f });
    setStyle (BandDisplayBase::PlotStyle::Lines);
    const auto file = saveScreenshot (host, "spectrum-lines-selected.png");
    EXPECT_TRUE (file.existsAsFile());
}

TEST_F (BandViewScreenshots, matchEqAndDiffWithTheHoverBox)
{
    feed (host, shelvedMix());
    show (ViewMode::Match);
    auto& view = host.differenceView;
    view.setMatchEqMode (true);
    const auto plot = view.getPlotArea();

    setStyle (BandDisplayBase::PlotStyle::Bars);
    hover (view, { view.getAxis().frequencyToX (9000.0, plot), plot.getCentreY() });
    saveScreenshot (host, "match-eq-bars-hover.png");

    view.setMatchEqMode (false);
    setStyle (BandDisplayBase::PlotStyle::Lines);
    hover (view, { view.getAxis().frequencyToX (150.0, plot), plot.getY() + 60.0f });
    saveScreenshot (host, "diff-lines-hover.png");

    // The readout reads the same value the curve shows: a number, not "No signal".
    EXPECT_TRUE (std::isfinite (view.getBandDifferences()[5]));
}

TEST_F (BandViewScreenshots, withoutDataTheViewsAskForSignal)
{
    show (ViewMode::Spectrum);
    saveScreenshot (host, "spectrum-empty.png");

    show (ViewMode::Match);
    hover (host.differenceView, { 300.0f, 200.0f });
    saveScreenshot (host, "match-eq-empty.png");

    for (auto difference : host.differenceView.getBandDifferences())
        EXPECT_TRUE (std::isnan (difference));
}
