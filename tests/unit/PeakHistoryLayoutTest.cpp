#include "tab/views/PeakHistoryLayout.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace PeakHistoryLayout;

namespace
{
// A plot 600 px wide and 200 px high.
const juce::Rectangle<float> kPlot (50.0f, 10.0f, 600.0f, 200.0f);
}

TEST (PeakHistoryLayout, onlyASeriesShownAloneAndSelectedIsFilled)
{
    SeriesVisibility visibility;
    EXPECT_EQ (visibility.filledSeries(), kNoSeries);                 // both shown: no fill

    visibility.toggleSource();                                         // Reference alone
    EXPECT_EQ (visibility.filledSeries(), kReferenceSeries);

    visibility.toggleReference();                                      // none shown: grid only
    EXPECT_FALSE (visibility.referenceVisible || visibility.sourceVisible);
    EXPECT_EQ (visibility.filledSeries(), kNoSeries);

    visibility.toggleSource();                                         // Source alone: it is filled
    EXPECT_EQ (visibility.selectedSeries, kSourceSeries);
    EXPECT_EQ (visibility.filledSeries(), kSourceSeries);

    visibility.toggleReference();                                      // both again
    EXPECT_EQ (visibility.filledSeries(), kNoSeries);
    EXPECT_EQ (visibility.selectedSeries, kSourceSeries);

    visibility.toggleSource();                                         // the selected one hidden
    EXPECT_EQ (visibility.selectedSeries, kReferenceSeries);
    EXPECT_EQ (visibility.filledSeries(), kReferenceSeries);
}

TEST (PeakHistoryLayout, theCursorReadsTheLevelAtItsHeight)
{
    EXPECT_EQ (cursorText (levelAt (kPlot.getY(), kPlot)), "20.0 dB");
    EXPECT_EQ (cursorText (levelAt (kPlot.getBottom() - 1.0f, kPlot)), "-59.6 dB");
    EXPECT_EQ (cursorText (levelAt (kPlot.getCentreY(), kPlot)), "-20.0 dB");
    EXPECT_EQ (cursorText (std::nanf ("")), "-");

    EXPECT_TRUE (cursorShown ({ 50.0f, 10.0f }, kPlot));
    EXPECT_FALSE (cursorShown ({ 650.0f, 100.0f }, kPlot));
    EXPECT_FALSE (cursorShown ({ 100.0f, 210.0f }, kPlot));
    EXPECT_FALSE (cursorShown ({ 49.0f, 100.0f }, kPlot));
}

TEST (PeakHistoryLayout, theCursorLabelStaysInsideThePlot)
{
    // Beside the mouse where there is room.
    EXPECT_EQ (cursorLabelBox (400.0f, 100.0f, kPlot), juce::Rectangle<float> (342.0f, 92.0f, 52.0f, 16.0f));

    // Near the left edge and the top it keeps to the plot.
    EXPECT_EQ (cursorLabelBox (60.0f, 12.0f, kPlot).getPosition(), juce::Point<float> (52.0f, 10.0f));

    // Near the bottom it stays above the plot's bottom edge.
    EXPECT_EQ (cursorLabelBox (400.0f, 209.0f, kPlot).getY(), 194.0f);
}

TEST (PeakHistoryLayout, valuesSpanThePlotOldestLeft)
{
    EXPECT_FLOAT_EQ (valueX (0, 5, kPlot), 50.0f);
    EXPECT_FLOAT_EQ (valueX (4, 5, kPlot), 650.0f);
    EXPECT_FLOAT_EQ (valueX (2, 5, kPlot), 350.0f);

    EXPECT_FALSE (drawsSeries (0));
    EXPECT_FALSE (drawsSeries (1));
    EXPECT_TRUE (drawsSeries (2));
}
