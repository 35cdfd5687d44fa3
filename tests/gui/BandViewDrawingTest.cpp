#include "engine/ThemePalette.h"
#include "support/ViewTestKit.h"
#include "tab/DisplayHost.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ViewTestKit;

TEST (BandViewDrawing, theDifferenceViewComparesTheSourceWithTheReferenceBroughtToItsLoudness)
{
    // The Source spectrum lies 6 dB above the Reference's in every band and the Source is 6 LU
    // louder: after bringing the Reference to the Source's loudness nothing differs.
    DifferenceDisplay view;
    view.setSize (800, 400);

    const auto sixDb = std::pow (10.0f, 6.0f / 20.0f);
    view.pushSpectrum (std::vector<float> (4097, 0.01f), BandDisplayBase::Series::Reference, 48000.0);
    view.pushSpectrum (std::vector<float> (4097, 0.01f * sixDb), BandDisplayBase::Series::Source, 48000.0);
    view.setLevelDifference (true, 6.0f);
    render (view);

    ASSERT_EQ (view.getBandDifferences().size(), 30u);
    for (auto difference : view.getBandDifferences())
        EXPECT_NEAR (difference, 0.0f, 1e-3f);

    // Without a known loudness difference there is nothing to compare.
    view.setLevelDifference (false, 6.0f);
    render (view);
    for (auto difference : view.getBandDifferences())
        EXPECT_TRUE (std::isnan (difference));
}

TEST (BandViewDrawing, theGridAndLabelsAreDrawnOncePerSize)
{
    SpectrumDisplay view;
    view.setSize (600, 300);

    for (int i = 0; i < 5; ++i)
    {
        view.pushSpectrum (std::vector<float> (4097, 0.01f * (float) (i + 1)), BandDisplayBase::Series::Source, 48000.0);
        render (view);
    }
    EXPECT_EQ (view.getStaticLayerBuildCount(), 1);

    view.setSize (700, 300);
    render (view);
    render (view);
    EXPECT_EQ (view.getStaticLayerBuildCount(), 2);

    view.setLevelRange (-60.0f, 0.0f);
    render (view);
    EXPECT_EQ (view.getStaticLayerBuildCount(), 3);
}

TEST (BandViewDrawing, theSpectrumViewAsksForAudioUntilALevelIsDrawn)
{
    SpectrumDisplay view;
    view.setSize (600, 300);

    // Nothing above -88 dB: the placeholder's light text shows in the middle of the plot.
    auto brightestNearCentre = [&view]
    {
        const auto image = render (view);
        float brightest = 0.0f;
        for (int y = 130; y < 150; ++y)
            for (int x = 250; x < 400; ++x)
                brightest = std::max (brightest, image.getPixelAt (x, y).getBrightness());
        return brightest;
    };

    EXPECT_GT (brightestNearCentre(), 0.3f);

    // Bars rise from the floor; a snap shows them at once.
    view.pushSpectrum (std::vector<float> (4097, 1.0e-4f), BandDisplayBase::Series::Reference, 48000.0);
    view.requestSnap();
    EXPECT_LT (brightestNearCentre(), 0.3f);
}

TEST (BandViewDrawing, theCurveFillsBlendTheirColoursOverTheGrid)
{
    // Both curves far up the plot: a pixel low in the plot lies under both fills, and shows the
    // background with the Reference fill and then the Source fill blended over it.
    SpectrumDisplay view;
    view.setSize (600, 300);
    view.setPlotStyle (BandDisplayBase::PlotStyle::Lines);
    const auto background = render (view);

    view.pushSpectrum (std::vector<float> (4097, 0.05f), BandDisplayBase::Series::Reference, 48000.0);
    view.pushSpectrum (std::vector<float> (4097, 0.04f), BandDisplayBase::Series::Source, 48000.0);
    view.requestSnap();
    const auto drawn = render (view);

    for (auto position : { juce::Point<int> (120, 250), juce::Point<int> (400, 200), juce::Point<int> (571, 262) })
    {
        juce::Image expected (juce::Image::RGB, 1, 1, false);
        {
            juce::Graphics g (expected);
            g.fillAll (background.getPixelAt (position.x, position.y));
            g.fillAll (ThemePalette::accent.withAlpha (0.065f));
            g.fillAll (ThemePalette::sourceSignal.withAlpha (0.012f));
        }

        const auto actual = drawn.getPixelAt (position.x, position.y);
        const auto wanted = expected.getPixelAt (0, 0);
        EXPECT_NEAR (actual.getRed(), wanted.getRed(), 2) << position.toString();
        EXPECT_NEAR (actual.getGreen(), wanted.getGreen(), 2) << position.toString();
        EXPECT_NEAR (actual.getBlue(), wanted.getBlue(), 2) << position.toString();
        EXPECT_NE (actual, background.getPixelAt (position.x, position.y));
    }
}
