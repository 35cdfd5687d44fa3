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

namespace
{
/** A spectrum whose bins run from magnitudeAt20Hz to magnitudeAt20kHz on a logarithmic
    frequency scale, with some ripple so that neighbouring bands differ. */
std::vector<float> slopedSpectrum (float magnitudeAt20Hz, float magnitudeAt20kHz)
{
    constexpr int bins = 4097;
    std::vector<float> magnitudes (bins);

    for (int bin = 0; bin < bins; ++bin)
    {
        const auto hz = juce::jlimit (20.0, 20000.0, bin * 24000.0 / (bins - 1));
        const auto position = std::log (hz / 20.0) / std::log (1000.0);
        magnitudes[(size_t) bin] = (float) (magnitudeAt20Hz * std::pow (magnitudeAt20kHz / magnitudeAt20Hz, position)
                                            * (1.0 + 0.3 * std::sin (bin * 0.01)));
    }

    return magnitudes;
}
} // namespace

TEST (BandViewDrawing, theSpectrumViewRepaintsOnlyWhatItsLevelsMovedAndDrawsTheSamePicture)
{
    enum class Repaints { nothing, part, everything, any };

    for (auto style : { BandDisplayBase::PlotStyle::Bars, BandDisplayBase::PlotStyle::Lines })
    {
        SCOPED_TRACE (style == BandDisplayBase::PlotStyle::Bars ? "bars" : "lines");

        SpectrumDisplay view;
        view.setSize (600, 300);
        view.setPlotStyle (style);
        view.setVisible (true);

        double nowMs = 1000.0;
        view.clock = [&nowMs] { return nowMs; };

        auto feed = [&view, &nowMs] (const std::vector<float>& reference, const std::vector<float>& source, double stepMs)
        {
            return [&view, &nowMs, reference, source, stepMs]
            {
                nowMs += stepMs;
                view.pushSpectrum (reference, BandDisplayBase::Series::Reference, 48000.0);
                view.pushSpectrum (source, BandDisplayBase::Series::Source, 48000.0);
            };
        };
        auto withShift = [] (bool down, std::function<void()> change)
        {
            return [down, change]
            {
                juce::ModifierKeys::currentModifiers = down ? juce::ModifierKeys (juce::ModifierKeys::shiftModifier)
                                                            : juce::ModifierKeys();
                change();
            };
        };
        auto cleared = [&view, &nowMs]
        {
            nowMs += 250.0;
            view.clearSpectra();
        };

        const auto loud = slopedSpectrum (3.0e-3f, 1.0e-4f), louder = slopedSpectrum (1.0e-2f, 4.0e-4f);
        const auto quiet = slopedSpectrum (4.0e-4f, 2.0e-5f), lowsGone = slopedSpectrum (1.0e-7f, 3.0e-4f);

        struct Step
        {
            const char* what;
            std::function<void()> change;
            Repaints repaints;
        };

        const Step steps[] {
            { "the first frame", feed (loud, quiet, 42.0), Repaints::everything },
            { "rising", feed (louder, loud, 42.0), Repaints::part },
            { "falling", feed (quiet, quiet, 42.0), Repaints::part },
            { "a snap", [&view] { view.requestSnap(); }, Repaints::everything },
            { "the same frame again", feed (quiet, quiet, 42.0), Repaints::nothing },
            { "the lows below the plot", [&] { feed (lowsGone, quiet, 42.0)(); view.requestSnap(); }, Repaints::everything },
            { "the lows rising into the plot after a pause", feed (loud, quiet, 250.0), Repaints::part },
            { "Shift held", withShift (true, feed (quiet, louder, 42.0)), Repaints::nothing },
            { "Shift released", withShift (false, feed (quiet, louder, 42.0)), Repaints::part },
            { "cleared", cleared, Repaints::part },
            { "still cleared", cleared, Repaints::any },
            { "still cleared", cleared, Repaints::any },
            { "still cleared", cleared, Repaints::any },
            { "still cleared", cleared, Repaints::any },
            { "cleared, nothing left to show", cleared, Repaints::nothing },
        };

        bool placeholderCame = false;

        for (const auto& step : steps)
        {
            SCOPED_TRACE (step.what);
            const auto before = render (view);
            const auto areas = recordRepaints (view, [&] { step.change(); view.handleUpdateNowIfNeeded(); });
            const auto everything = areas.containsRectangle (view.getLocalBounds());

            switch (step.repaints)
            {
                case Repaints::nothing:    EXPECT_TRUE (areas.isEmpty()); break;
                case Repaints::part:       EXPECT_FALSE (areas.isEmpty()); EXPECT_FALSE (everything); break;
                case Repaints::everything: EXPECT_TRUE (everything); break;
                case Repaints::any:        placeholderCame = placeholderCame || everything; break;
            }

            EXPECT_EQ (countDifferentPixels (renderInto (before, view, areas), render (view)), 0);
        }

        // The bars or curves sank away and the placeholder took their place.
        EXPECT_TRUE (placeholderCame);
        EXPECT_FALSE (juce::ModifierKeys::currentModifiers.isShiftDown());
    }
}
