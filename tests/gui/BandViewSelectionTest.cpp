#include "engine/BandListen.h"
#include "support/ViewTestKit.h"
#include "tab/DisplayHost.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ViewTestKit;

namespace
{
// A host of 1000 x 500 px gives views of 996 x 496 px; the spectrum view's plot then runs from
// x = 50 to 986 (31.2 px per band) and y = 10 to 470.
constexpr float kBandWidth = 936.0f / 30.0f;
constexpr float kPlotLeft = 50.0f;
constexpr float kMiddleY = 240.0f;

float bandX (int band) { return kPlotLeft + ((float) band + 0.5f) * kBandWidth; }

struct BandViewSelection : ::testing::Test
{
    BandViewSelection()
    {
        host.setSize (1000, 500);
        host.onBandSelectionChanged = [this] (FocusBand band)
        {
            reports.push_back (band);
            bandListen.setFocusBand (band);
        };
    }

    void showView (ViewMode mode) { host.setViewMode (static_cast<int> (mode)); }

    DisplayHost host;
    std::vector<FocusBand> reports;
    BandListen bandListen;
};
}

TEST_F (BandViewSelection, aBandSelectedInTheSpectrumViewShowsInMatchAndReachesBandListen)
{
    click (host.spectrumView, { bandX (17), kMiddleY });

    ASSERT_EQ (reports.size(), 1u);
    ASSERT_TRUE (reports[0].has_value());
    EXPECT_NEAR (reports[0]->getStart(), 1002.37, 0.01);
    EXPECT_NEAR (reports[0]->getEnd(), 1261.91, 0.01);

    showView (ViewMode::Match);
    EXPECT_EQ (host.getCurrentView(), &host.differenceView);
    EXPECT_DOUBLE_EQ (host.differenceView.getSelection().low, host.spectrumView.getSelection().low);
    EXPECT_DOUBLE_EQ (host.differenceView.getSelection().high, host.spectrumView.getSelection().high);
    EXPECT_TRUE (host.differenceView.isBandListenOn());

    EXPECT_TRUE (bandListen.isRequested());
    EXPECT_NEAR (bandListen.getRequestedRange().getStart(), 1002.37, 0.01);
    EXPECT_NEAR (bandListen.getRequestedRange().getEnd(), 1261.91, 0.01);
}

TEST_F (BandViewSelection, theBadgeClearsBothViewsAndTurnsBandListenOff)
{
    click (host.spectrumView, { bandX (20), kMiddleY });
    showView (ViewMode::Match);
    render (host);   // the difference view works out its badge for its own plot

    // The badge sits in the selection's top-right corner: 2 px in from its upper edge.
    const auto upperEdgeX = kPlotLeft + 21.0f * kBandWidth;
    click (host.differenceView, { upperEdgeX - 11.0f, 21.0f });

    ASSERT_EQ (reports.size(), 2u);
    EXPECT_FALSE (reports.back().has_value());
    EXPECT_TRUE (host.differenceView.getSelection().isEmpty());
    EXPECT_TRUE (host.spectrumView.getSelection().isEmpty());
    EXPECT_FALSE (host.spectrumView.isBandListenOn());
    EXPECT_FALSE (bandListen.isRequested());
}

TEST_F (BandViewSelection, aDoubleClickInsideTheSelectionFlipsBandListenInBothViews)
{
    click (host.spectrumView, { bandX (8), kMiddleY });
    doubleClick (host.spectrumView, { bandX (8), 300.0f });

    EXPECT_FALSE (reports.back().has_value());
    EXPECT_FALSE (host.spectrumView.isBandListenOn());
    EXPECT_FALSE (host.differenceView.isBandListenOn());
    EXPECT_FALSE (host.differenceView.getSelection().isEmpty());
    EXPECT_FALSE (bandListen.isRequested());

    // A later click and release inside switches band listen on again.
    click (host.spectrumView, { bandX (8), 300.0f });
    ASSERT_TRUE (reports.back().has_value());
    EXPECT_TRUE (host.differenceView.isBandListenOn());
    EXPECT_TRUE (bandListen.isRequested());
}

TEST_F (BandViewSelection, aDragInMatchMovesTheSelectionOfBothViews)
{
    showView (ViewMode::Match);
    drag (host.differenceView, { bandX (5), 100.0f }, { bandX (11), 100.0f });

    ASSERT_EQ (reports.size(), 1u);
    EXPECT_NEAR (host.spectrumView.getSelection().low, 20.0 * std::pow (10.0, 1.1), 1e-6);
    EXPECT_NEAR (host.spectrumView.getSelection().high, 20.0 * std::pow (10.0, 1.2), 1e-6);
}

TEST_F (BandViewSelection, theRightButtonNeverSelects)
{
    click (host.spectrumView, { bandX (4), kMiddleY }, juce::ModifierKeys::rightButtonModifier);
    drag (host.spectrumView, { bandX (4), kMiddleY }, { bandX (9), kMiddleY }, juce::ModifierKeys::rightButtonModifier);

    EXPECT_TRUE (reports.empty());
    EXPECT_TRUE (host.spectrumView.getSelection().isEmpty());

    click (host.spectrumView, { bandX (4), kMiddleY });
    host.spectrumView.mouseDoubleClick (mouseEvent (host.spectrumView, { bandX (4), kMiddleY },
                                                    juce::ModifierKeys::rightButtonModifier, 2));
    EXPECT_TRUE (host.spectrumView.isBandListenOn());
}

TEST_F (BandViewSelection, thePeakHistoryViewIgnoresSelectionGestures)
{
    showView (ViewMode::History);
    auto& view = host.peakHistoryView;

    click (view, { bandX (6), kMiddleY });
    drag (view, { bandX (6), kMiddleY }, { bandX (12), kMiddleY });
    doubleClick (view, { bandX (6), kMiddleY });

    EXPECT_TRUE (reports.empty());
    EXPECT_TRUE (view.getSelection().isEmpty());
    EXPECT_FALSE (view.isBandListenOn());
    EXPECT_TRUE (host.spectrumView.getSelection().isEmpty());
}

TEST_F (BandViewSelection, aSelectionRestoredOutsideTheRangeNeverReachesBandListenAsANonNumber)
{
    for (auto restored : { BandDisplayBase::Selection { 5.0, 50000.0 }, BandDisplayBase::Selection { std::nan (""), 900.0 },
                           BandDisplayBase::Selection { 1.0, 4.0 }, BandDisplayBase::Selection { -1e9, 1e12 } })
    {
        host.spectrumView.mirrorSelection (restored, true);
        drag (host.spectrumView, { bandX (15), kMiddleY }, { bandX (3), kMiddleY });
        host.spectrumView.mouseDoubleClick (mouseEvent (host.spectrumView, { bandX (3), kMiddleY }, {}, 2));
        render (host);
    }

    ASSERT_FALSE (reports.empty());
    for (const auto& band : reports)
        if (band.has_value())
        {
            EXPECT_TRUE (std::isfinite (band->getStart()) && std::isfinite (band->getEnd()));
            EXPECT_GE (band->getStart(), 20.0);
            EXPECT_LE (band->getEnd(), 20000.0);
        }

    EXPECT_TRUE (std::isfinite (bandListen.getRequestedRange().getStart()));
    EXPECT_TRUE (std::isfinite (bandListen.getRequestedRange().getEnd()));
}

TEST_F (BandViewSelection, spectraWithBadValuesAndAZeroSampleRateDrawWithoutHarm)
{
    constexpr float inf = std::numeric_limits<float>::infinity();
    auto& spectrum = host.spectrumView;

    spectrum.pushSpectrum (std::vector<float> (4097, 0.01f), BandDisplayBase::Series::Reference, 44100.0);
    spectrum.pushSpectrum (std::vector<float> (4097, std::nanf ("")), BandDisplayBase::Series::Reference, 0.0);
    EXPECT_DOUBLE_EQ (spectrum.getReferenceSampleRate(), 44100.0);

    spectrum.pushSpectrum (std::vector<float> (4097, -inf), BandDisplayBase::Series::Source, -1.0);
    EXPECT_DOUBLE_EQ (spectrum.getSourceSampleRate(), 48000.0);

    spectrum.updateBandLevels();
    for (size_t band = 0; band < 30; ++band)
    {
        EXPECT_FLOAT_EQ (spectrum.getReferenceBandLevels()[band], BandDisplayBase::kFloorDb);
        EXPECT_FLOAT_EQ (spectrum.getSourceBandLevels()[band], BandDisplayBase::kFloorDb);
    }

    std::vector<float> mixed (4097, 0.02f);
    mixed[100] = inf;
    mixed[200] = std::nanf ("");
    mixed[300] = -inf;

    for (auto mode : { ViewMode::Spectrum, ViewMode::Match })
    {
        showView (mode);
        auto& view = mode == ViewMode::Spectrum ? static_cast<BandDisplayBase&> (host.spectrumView)
                                                : static_cast<BandDisplayBase&> (host.differenceView);
        view.pushSpectrum (mixed, BandDisplayBase::Series::Reference, 48000.0);
        view.pushSpectrum (mixed, BandDisplayBase::Series::Source, 0.0);
        host.differenceView.setLevelDifference (true, std::nanf (""));

        for (auto plotStyle : { BandDisplayBase::PlotStyle::Bars, BandDisplayBase::PlotStyle::Lines })
        {
            view.setPlotStyle (plotStyle);

            for (auto size : { juce::Point<int> (1200, 720), juce::Point<int> (64, 30), juce::Point<int> (3, 2), juce::Point<int> (0, 0) })
            {
                host.setSize (size.x, size.y);
                // A frame at this size: the spectrum view steps its glide and works out what moved.
                view.pushSpectrum (mixed, BandDisplayBase::Series::Reference, 48000.0);
                host.spectrumView.handleUpdateNowIfNeeded();
                hover (view, { 30.0f, 10.0f });
                click (view, { 55.0f, 12.0f });
                render (host);
            }
        }
    }

    host.spectrumView.updateBandLevels();
    for (auto level : host.spectrumView.getReferenceBandLevels())
        EXPECT_TRUE (std::isfinite (level));
}
