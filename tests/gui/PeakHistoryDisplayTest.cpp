#include "engine/ThemePalette.h"
#include "support/PlayedSignals.h"
#include "support/ViewTestKit.h"
#include "tab/views/PeakHistoryDisplay.h"

#include <gtest/gtest.h>

using namespace ViewTestKit;

namespace
{
// A view 600 x 236 px: the plot is x 50 ... 590, y 10 ... 210 (200 px, -60 ... +20 dB).
constexpr int kWidth = 600;
constexpr int kHeight = 236;

// Holds Shift down for the framework's modifier state while it exists.
struct ShiftHeld
{
    ShiftHeld() { juce::ModifierKeys::currentModifiers = juce::ModifierKeys (juce::ModifierKeys::shiftModifier); }
    ~ShiftHeld() { juce::ModifierKeys::currentModifiers = juce::ModifierKeys(); }
};

struct PeakHistoryView : ::testing::Test
{
    PeakHistoryView() { view.setSize (kWidth, kHeight); }

    // Both series flat: the Reference at -10 dB (y 85), the Source at -30 dB (y 135).
    void feedFlat (size_t length = 50)
    {
        view.setSeries (std::vector<float> (length, -10.0f), std::vector<float> (length, -30.0f));
    }

    // A pixel below both lines, at -45 dB.
    juce::Colour pixelBelowTheLines() { return render (view).getPixelAt (300, 172); }

    PeakHistoryDisplay view;
};
}

TEST_F (PeakHistoryView, seriesOfUnequalLengthKeepTheShorterLengthEach)
{
    view.setSeries ({ -1.0f, -2.0f, -3.0f, -4.0f }, { -5.0f, -6.0f });
    EXPECT_EQ (view.getReferencePeaks(), (std::vector<float> { -1.0f, -2.0f }));
    EXPECT_EQ (view.getSourcePeaks(), (std::vector<float> { -5.0f, -6.0f }));
}

TEST_F (PeakHistoryView, shiftFreezesTheSeriesAgainstFeedAndClear)
{
    feedFlat();

    {
        const ShiftHeld shift;
        EXPECT_TRUE (PeakHistoryDisplay::isFrozen());

        view.setSeries (std::vector<float> (10, 0.0f), std::vector<float> (10, 0.0f));
        view.clearSeries();
        EXPECT_EQ (view.getReferencePeaks().size(), 50u);
        EXPECT_FLOAT_EQ (view.getReferencePeaks().front(), -10.0f);
    }

    view.clearSeries();
    EXPECT_TRUE (view.getReferencePeaks().empty());
}

TEST_F (PeakHistoryView, oneValueOrNoneDrawsOnlyTheGrid)
{
    const auto gridOnly = render (view);

    for (size_t length : { 0u, 1u })
    {
        view.setSeries (std::vector<float> (length, 0.0f), std::vector<float> (length, 0.0f));
        hover (view, { 300.0f, 100.0f });
        const auto image = render (view);

        for (int y = 0; y < kHeight; y += 3)
            for (int x = 0; x < kWidth; x += 3)
                ASSERT_EQ (image.getPixelAt (x, y), gridOnly.getPixelAt (x, y)) << "length " << length << " at " << x << ", " << y;
    }
}

TEST_F (PeakHistoryView, aSeriesShownAloneIsFilledAndHidingBothLeavesTheGrid)
{
    feedFlat();
    const auto bothShown = pixelBelowTheLines();

    view.toggleSourceVisible();
    const auto referenceAlone = pixelBelowTheLines();
    EXPECT_GT (referenceAlone.getGreen() - referenceAlone.getRed(), bothShown.getGreen() - bothShown.getRed() + 10)
        << "the Reference alone is filled in its green";

    view.toggleReferenceVisible();
    EXPECT_EQ (pixelBelowTheLines(), bothShown) << "nothing shown: the grid alone";

    view.toggleSourceVisible();
    EXPECT_EQ (view.getSelectedSeries(), PeakHistoryDisplay::kSourceSeries);
    EXPECT_GT (pixelBelowTheLines().getBrightness(), bothShown.getBrightness() + 0.1f)
        << "the Source alone is filled in its own colour";
}

TEST_F (PeakHistoryView, theGraphsAreBuiltOncePerSeriesAndReusedByHoverRepaints)
{
    feedFlat();
    render (view);
    EXPECT_EQ (view.getPathBuildCount(), 1);

    for (float x = 100.0f; x < 500.0f; x += 50.0f)
    {
        hover (view, { x, 120.0f });
        render (view);
    }
    EXPECT_EQ (view.getPathBuildCount(), 1);

    feedFlat (60);
    render (view);
    EXPECT_EQ (view.getPathBuildCount(), 2);

    view.setSize (kWidth + 40, kHeight);
    render (view);
    EXPECT_EQ (view.getPathBuildCount(), 3);
}

TEST_F (PeakHistoryView, pressesAndDragsMoveTheLevelCursor)
{
    feedFlat();
    const auto before = render (view);

    drag (view, { 200.0f, 60.0f }, { 400.0f, 150.0f });
    const auto after = render (view);

    // The cursor line runs across the plot at the release height.
    EXPECT_NE (after.getPixelAt (120, 150), before.getPixelAt (120, 150));
    EXPECT_TRUE (view.getSelection().isEmpty());
}

TEST_F (PeakHistoryView, screenshotOfBothSignalsPlayedThroughTheProcessor)
{
    // The Reference is the same mix 4 dB hotter with a brighter top: its peaks stand higher.
    const auto mix = PlayedSignals::makeMix (48000.0, 12.0);
    auto hotter = PlayedSignals::withHighShelf (mix, 48000.0, 3000.0, 4.0f);
    hotter.applyGain (juce::Decibels::decibelsToGain (4.0f));
    const auto played = PlayedSignals::play (hotter, mix, 48000.0);
    ASSERT_GT (played.referencePeakSeries.size(), 150u);

    view.setSize (1172, 498);
    view.setShowHoverReadout (false);
    view.setSeries (played.referencePeakSeries, played.sourcePeakSeries);
    saveScreenshot (view, "peak-history-both.png");

    view.toggleSourceVisible();
    hover (view, { 700.0f, 150.0f });
    saveScreenshot (view, "peak-history-reference-filled-cursor.png");
}
