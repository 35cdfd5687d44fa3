#include "tab/views/BandAxis.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
// The plot of a band view 660 x 300 px with the default 26 px bottom margin.
const juce::Rectangle<float> kPlot = BandAxis::plotAreaFor (660.0f, 300.0f, 26.0f);
}

TEST (BandAxis, defaultEdgesAreTenthDecadeStepsFrom20HzTo20kHz)
{
    const BandAxis axis;

    ASSERT_EQ (axis.getNumEdges(), 31);
    EXPECT_EQ (axis.getNumBands(), 30);

    for (int i = 0; i <= 30; ++i)
        EXPECT_NEAR (axis.getEdge (i), 20.0 * std::pow (1000.0, i / 30.0), 1e-9) << "edge " << i;

    EXPECT_DOUBLE_EQ (axis.getEdge (0), 20.0);
    EXPECT_NEAR (axis.getEdge (30), 20000.0, 1e-9);
    EXPECT_NEAR (axis.getEdge (10), 200.0, 1e-9);
    EXPECT_DOUBLE_EQ (axis.getEdge (-5), axis.getEdge (0));
    EXPECT_DOUBLE_EQ (axis.getEdge (99), axis.getEdge (30));
}

TEST (BandAxis, configuredEdgesAreCleanedIntoAnAscendingListSpanningTheLimits)
{
    struct Case { std::vector<double> configured; bool use; std::vector<double> expected; };

    const Case cases[] = {
        { { 1000.0, 100.0, 100.0, 5000.0 }, true,  { 20.0, 100.0, 1000.0, 5000.0, 20000.0 } },
        { { 10.0, 30000.0 },                true,  { 10.0, 30000.0 } },
        { {},                               true,  { 20.0, 20000.0 } },
        { { 100.0, 1000.0 },                false, { 20.0, 20000.0 } },
        { { 20.0, 20.0 },                   true,  { 20.0, 20000.0 } },
    };

    for (const auto& c : cases)
        EXPECT_EQ (BandAxis::cleanEdges (c.configured, c.use, 20.0, 20000.0), c.expected);
}

TEST (BandAxis, theMinimumBandSpacingHasA10HzFloor)
{
    // The narrowest default band, 20 x (10^0.1 - 1) = 5.18 Hz, is raised to 10 Hz.
    EXPECT_DOUBLE_EQ (BandAxis().getMinBandSpacing(), 10.0);
    EXPECT_DOUBLE_EQ (BandAxis ({ 20.0, 100.0, 1000.0, 20000.0 }, 20.0, 20000.0).getMinBandSpacing(), 80.0);
}

TEST (BandAxis, frequenciesBeyondTheLimitsLieOnThePlotEdges)
{
    const BandAxis axis;

    EXPECT_FLOAT_EQ (axis.frequencyToX (10.0, kPlot), kPlot.getX());
    EXPECT_FLOAT_EQ (axis.frequencyToX (30000.0, kPlot), kPlot.getRight());
    EXPECT_FLOAT_EQ (axis.frequencyToX (std::nan (""), kPlot), kPlot.getX());
    EXPECT_FLOAT_EQ (axis.frequencyToX (-1.0, kPlot), kPlot.getX());
}

TEST (BandAxis, everyBandTakesTheSameWidthAndIsLogarithmicInside)
{
    const BandAxis axis;
    const auto bandWidth = kPlot.getWidth() / 30.0f;

    for (int i = 0; i <= 30; ++i)
        EXPECT_NEAR (axis.frequencyToX (axis.getEdge (i), kPlot), kPlot.getX() + (float) i * bandWidth, 1e-3f);

    // The middle of a band is its geometric centre, and positions map back to frequencies.
    EXPECT_NEAR (axis.xToFrequency (kPlot.getX() + 10.5f * bandWidth, kPlot), std::sqrt (axis.getEdge (10) * axis.getEdge (11)), 1e-3);

    for (double hz : { 20.0, 31.5, 440.0, 1000.0, 2500.0, 15000.0, 20000.0 })
        EXPECT_NEAR (axis.xToFrequency (axis.frequencyToX (hz, kPlot), kPlot), hz, hz * 1e-4);

    for (float x = 0.0f; x < 700.0f; x += 7.3f)
        EXPECT_NEAR (axis.xToLogFrequency (x, kPlot), std::log (axis.xToFrequency (x, kPlot)), 1e-9) << x;
}

TEST (BandAxis, positionsLeftAndRightOfThePlotGiveTheLimits)
{
    const BandAxis axis;

    EXPECT_DOUBLE_EQ (axis.xToFrequency (0.0f, kPlot), 20.0);
    EXPECT_NEAR (axis.xToFrequency (kPlot.getRight() + 40.0f, kPlot), 20000.0, 1e-6);
    EXPECT_EQ (axis.bandIndexAtX (kPlot.getRight(), kPlot), 29);
    EXPECT_EQ (axis.bandIndexAtX (kPlot.getX(), kPlot), 0);
}

TEST (BandAxis, nearestEdgesAndSnappedRangesSpanWholeBands)
{
    const BandAxis axis;

    EXPECT_EQ (axis.findNearestBandEdge (1000.0), 17);
    EXPECT_EQ (axis.findNearestBandEdge (-50.0), 0);
    EXPECT_EQ (axis.findNearestBandEdge (1e6), 30);

    const auto oneBand = axis.snapRangeToBandEdges (1010.0, 1020.0);
    EXPECT_DOUBLE_EQ (oneBand.getStart(), axis.getEdge (17));
    EXPECT_DOUBLE_EQ (oneBand.getEnd(), axis.getEdge (18));

    const auto threeBands = axis.snapRangeToBandEdges (990.0, 1990.0);
    EXPECT_DOUBLE_EQ (threeBands.getStart(), axis.getEdge (17));
    EXPECT_DOUBLE_EQ (threeBands.getEnd(), axis.getEdge (20));

    // The last edge has no band above it.
    EXPECT_TRUE (axis.snapRangeToBandEdges (20000.0, 20000.0).isEmpty());
}

TEST (BandAxis, levelsMapFromBottomToTopAndStayInsideThePlot)
{
    EXPECT_FLOAT_EQ (BandAxis::levelToY (-90.0f, -90.0f, 0.0f, kPlot), kPlot.getBottom());
    EXPECT_FLOAT_EQ (BandAxis::levelToY (0.0f, -90.0f, 0.0f, kPlot), kPlot.getY());
    EXPECT_FLOAT_EQ (BandAxis::levelToY (-45.0f, -90.0f, 0.0f, kPlot), kPlot.getCentreY());
    EXPECT_FLOAT_EQ (BandAxis::levelToY (23.0f, -20.0f, 20.0f, kPlot), kPlot.getY());
    EXPECT_FLOAT_EQ (BandAxis::levelToY (std::nanf (""), -20.0f, 20.0f, kPlot), kPlot.getBottom());
}

TEST (BandAxis, thePlotAreaOfATinyViewHasNoNegativeSize)
{
    const auto tiny = BandAxis::plotAreaFor (4.0f, 3.0f, 26.0f);
    EXPECT_EQ (tiny.getWidth(), 0.0f);
    EXPECT_EQ (tiny.getHeight(), 0.0f);

    EXPECT_EQ (kPlot, juce::Rectangle<float> (50.0f, 10.0f, 600.0f, 264.0f));
}
