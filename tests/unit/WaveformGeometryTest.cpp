#include "tab/WaveformGeometry.h"

#include <gtest/gtest.h>

#include <limits>

TEST (WaveformGeometry, timesMapAcrossTheAreaAndPositionsBeyondTheFileStopAtItsEnds)
{
    const WaveformGeometry geometry (1224, 150, 60.0);

    EXPECT_FLOAT_EQ (geometry.timeToX (0.0), 12.0f);
    EXPECT_FLOAT_EQ (geometry.timeToX (30.0), 612.0f);
    EXPECT_FLOAT_EQ (geometry.timeToX (60.0), 1212.0f);
    EXPECT_FLOAT_EQ (geometry.timeToX (-3.0), 12.0f);
    EXPECT_FLOAT_EQ (geometry.timeToX (75.0), 1212.0f);
    EXPECT_FLOAT_EQ (geometry.timeToX (std::numeric_limits<double>::quiet_NaN()), 12.0f);

    EXPECT_DOUBLE_EQ (geometry.xToTime (612.0f), 30.0);
    EXPECT_DOUBLE_EQ (geometry.xToTime (0.0f), 0.0);
    EXPECT_DOUBLE_EQ (geometry.xToTime (5000.0f), 60.0);
}

TEST (WaveformGeometry, aStripTwentyPixelsWideOrAFileWithoutLengthMapsEverythingToTheStart)
{
    for (const auto& geometry : { WaveformGeometry (20, 100, 60.0), WaveformGeometry (600, 100, 0.0) })
    {
        EXPECT_FLOAT_EQ (geometry.timeToX (42.0), 12.0f);
        EXPECT_DOUBLE_EQ (geometry.xToTime (300.0f), 0.0);
    }
}

TEST (WaveformGeometry, theShortestLoopIsSeventeenPixelsOfTimeButAtLeastFiftyMilliseconds)
{
    EXPECT_DOUBLE_EQ (WaveformGeometry (1724, 100, 600.0).getMinimumLoopLength(), 17.0 / 1700.0 * 600.0);
    EXPECT_DOUBLE_EQ (WaveformGeometry (1724, 100, 1.0).getMinimumLoopLength(), 0.05);
    EXPECT_DOUBLE_EQ (WaveformGeometry (1724, 100, 0.0).getMinimumLoopLength(), 0.05);
    EXPECT_DOUBLE_EQ (WaveformGeometry (10, 100, 6.0).getMinimumLoopLength(), 17.0 * 6.0);
}

TEST (WaveformGeometry, aRecordedStretchShorterThanAPixelIsTwoPixelsWideAndOneAtTheEndStaysInside)
{
    const WaveformGeometry geometry (1224, 150, 60.0);

    const auto shortMarker = geometry.getRecordedRangeMarker (30.0, 30.01);
    ASSERT_TRUE (shortMarker.has_value());
    EXPECT_FLOAT_EQ (shortMarker->getWidth(), 2.0f);
    EXPECT_FLOAT_EQ (shortMarker->getY(), 140.0f - 20.0f);
    EXPECT_FLOAT_EQ (shortMarker->getHeight(), 20.0f);

    const auto endMarker = geometry.getRecordedRangeMarker (60.0, 61.0);
    ASSERT_TRUE (endMarker.has_value());
    EXPECT_FLOAT_EQ (endMarker->getRight(), 1212.0f);
}

TEST (WaveformGeometry, markersStayInsideAStripNarrowerThanTheMinimumMarkerAndVanishWithoutArea)
{
    const WaveformGeometry narrow (25, 100, 60.0);
    const auto marker = narrow.getRecordedRangeMarker (10.0, 10.01);

    ASSERT_TRUE (marker.has_value());
    EXPECT_FLOAT_EQ (marker->getX(), 12.0f);
    EXPECT_FLOAT_EQ (marker->getWidth(), 1.0f);

    EXPECT_FALSE (WaveformGeometry (20, 100, 60.0).getRecordedRangeMarker (1.0, 2.0).has_value());
    EXPECT_FALSE (WaveformGeometry (600, 20, 60.0).getRecordedRangeMarker (1.0, 2.0).has_value());
    EXPECT_FALSE (WaveformGeometry (600, 100, 0.0).getRecordedRangeMarker (1.0, 2.0).has_value());
}

TEST (WaveformGeometry, theOutlineOfSamplesIsTheMeanOfAllChannelsAroundTheCentreLine)
{
    const WaveformGeometry geometry (424, 120, 1.0);

    // Six channels: one at +0.6, the others silent, so the mean is 0.1 everywhere.
    juce::AudioBuffer<float> sixChannels (6, 1000);
    sixChannels.clear();
    juce::FloatVectorOperations::fill (sixChannels.getWritePointer (2), 0.6f, 1000);

    const auto bounds = geometry.makeOutlineFromSamples (sixChannels).getBounds();
    const auto centre = 10.0f + 50.0f;
    EXPECT_NEAR (bounds.getY(), centre - 0.1f * 50.0f, 1e-3);
    EXPECT_NEAR (bounds.getBottom(), centre + 0.1f * 50.0f, 1e-3);
    EXPECT_FLOAT_EQ (bounds.getX(), 12.0f);
    EXPECT_FLOAT_EQ (bounds.getRight(), 412.0f);

    EXPECT_TRUE (geometry.makeOutlineFromSamples (juce::AudioBuffer<float> (2, 0)).isEmpty());
}

TEST (WaveformGeometry, levelsBeyondFullScaleOrNotANumberStayInsideTheArea)
{
    const WaveformGeometry geometry (424, 120, 10.0);

    juce::AudioBuffer<float> wild (1, 64);
    for (int i = 0; i < 64; ++i)
        wild.setSample (0, i, i % 2 == 0 ? 1000.0f : std::numeric_limits<float>::quiet_NaN());

    const auto fromSamples = geometry.makeOutlineFromSamples (wild).getBounds();
    const auto fromLevels = geometry.makeOutlineFromLevels ([] (double, double, float& minimum, float& maximum)
                                                            {
                                                                minimum = -40.0f;
                                                                maximum = std::numeric_limits<float>::infinity();
                                                            })
                                .getBounds();

    for (const auto& bounds : { fromSamples, fromLevels })
        EXPECT_TRUE (geometry.getArea().contains (bounds)) << bounds.toString();
}
