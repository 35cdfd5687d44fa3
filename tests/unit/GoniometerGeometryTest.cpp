#include "tab/views/GoniometerGeometry.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace GoniometerGeometry;

namespace
{
// Angle of a point from straight up, degrees, negative to the left.
float degreesFromVertical (Point p) { return juce::radiansToDegrees (std::atan2 (p.x, p.y)); }
}

TEST (GoniometerGeometry, oneChannelLiesThirtyDegreesBesideTheVertical)
{
    EXPECT_NEAR (degreesFromVertical (toPoint (0.8f, 0.0f)), -30.0f, 1e-3f);   // toward "L"
    EXPECT_NEAR (degreesFromVertical (toPoint (0.0f, 0.8f)), 30.0f, 1e-3f);    // toward "R"

    // The "L" and "R" labels stand on the same lines (120 and 60 degrees from the right).
    const auto left = labelBox ({ 0.0f, 0.0f }, 100.0f, 120.0f).toFloat().getCentre();
    EXPECT_NEAR (juce::radiansToDegrees (std::atan2 (left.x, -left.y)), -30.0f, 1.0f);
}

TEST (GoniometerGeometry, monoGoesStraightUpAndOppositePhaseSideways)
{
    const auto mono = toPoint (0.5f, 0.5f);
    EXPECT_FLOAT_EQ (mono.x, 0.0f);
    EXPECT_FLOAT_EQ (mono.y, 0.5f);

    const auto towardPlusS = toPoint (0.5f, -0.5f);
    EXPECT_LT (towardPlusS.x, 0.0f);              // "+S" stands at 180 degrees, on the left
    EXPECT_FLOAT_EQ (towardPlusS.y, 0.0f);
    EXPECT_GT (toPoint (-0.5f, 0.5f).x, 0.0f);    // "-S" on the right

    // A full-scale mono sample lands on the outer circle.
    const auto top = toScreen (toPoint (1.0f, 1.0f), { 200.0f, 150.0f }, 100.0f);
    EXPECT_FLOAT_EQ (top.x, 200.0f);
    EXPECT_FLOAT_EQ (top.y, 50.0f);

    // Beyond full scale the cloud stops at the edges of the square, per axis.
    const auto clamped = toScreen ({ -3.0f, 2.0f }, { 200.0f, 150.0f }, 100.0f);
    EXPECT_FLOAT_EQ (clamped.x, 100.0f);
    EXPECT_FLOAT_EQ (clamped.y, 50.0f);
}

TEST (GoniometerGeometry, longFeedsAreThinnedToEveryKthPair)
{
    struct Case { int pairs, step; size_t points; };

    for (const auto& c : { Case { 10, 1, 10 }, Case { 2048, 1, 2048 }, Case { 4095, 1, 4095 },
                           Case { 4096, 2, 2048 }, Case { 10000, 4, 2500 }, Case { 0, 1, 0 } })
    {
        std::vector<float> left ((size_t) c.pairs), right ((size_t) c.pairs + 7);
        for (int i = 0; i < c.pairs; ++i)
            left[(size_t) i] = (float) i;

        std::vector<Point> points;
        makePoints (left, right, points);

        EXPECT_EQ (thinningStep (c.pairs), c.step) << c.pairs;
        ASSERT_EQ (points.size(), c.points) << c.pairs;

        if (c.points > 1)
            EXPECT_FLOAT_EQ (points[1].y, (float) c.step * 0.5f) << "the second point is pair k";
    }
}

TEST (GoniometerGeometry, correlationReadsLikeAMeter)
{
    std::vector<float> left, right, inverted, unrelated;
    juce::Random random (3);

    for (int i = 0; i < 2048; ++i)
    {
        const auto s = std::sin (0.05f * (float) i);
        left.push_back (s);
        right.push_back (0.5f * s);
        inverted.push_back (-s);
        unrelated.push_back (random.nextFloat() * 2.0f - 1.0f);
    }

    std::vector<Point> points;
    EXPECT_NEAR (makePoints (left, right, points), 1.0f, 1e-5f);
    EXPECT_NEAR (makePoints (left, inverted, points), -1.0f, 1e-5f);
    EXPECT_NEAR (makePoints (left, unrelated, points), 0.0f, 0.1f);

    // Constant, silent, too short or not a number: 0.
    EXPECT_FLOAT_EQ (makePoints (left, std::vector<float> (2048, 0.3f), points), 0.0f);
    EXPECT_FLOAT_EQ (makePoints (std::vector<float> (2048, 0.0f), std::vector<float> (2048, 0.0f), points), 0.0f);
    EXPECT_FLOAT_EQ (makePoints ({ 0.5f }, { 0.5f }, points), 0.0f);
    EXPECT_FLOAT_EQ (makePoints (std::vector<float> (64, std::nanf ("")), left, points), 0.0f);
}

TEST (GoniometerGeometry, theCorrelationBarGrowsFromTheCentreSixtyPixelsPerUnit)
{
    // The view's right edge at 1000, its top at 0: the bar's centre is at 912.
    const auto half = correlationBar (0.5f, 1000.0f, 0.0f);
    EXPECT_EQ (half, juce::Rectangle<float> (912.0f, 51.0f, 30.0f, 8.0f));

    const auto full = correlationBar (-1.0f, 1000.0f, 0.0f);
    EXPECT_EQ (full, juce::Rectangle<float> (852.0f, 51.0f, 60.0f, 8.0f));

    EXPECT_EQ (correlationBar (-3.0f, 1000.0f, 0.0f).getWidth(), 60.0f);
    EXPECT_TRUE (correlationBar (0.0f, 1000.0f, 0.0f).isEmpty());
    EXPECT_TRUE (correlationBar (std::nanf (""), 1000.0f, 0.0f).isEmpty());
}

TEST (GoniometerGeometry, thePictureFitsTheSmallerSide)
{
    EXPECT_FLOAT_EQ (radiusFor (1200.0f, 500.0f), 200.0f);
    EXPECT_FLOAT_EQ (radiusFor (300.0f, 900.0f), 120.0f);

    // "M" straight above the centre, 1.08 radii out (216 px), in a 26 x 14 box.
    const auto m = labelBox ({ 600.0f, 250.0f }, 200.0f, 90.0f);
    EXPECT_EQ (m.getX(), 587);
    EXPECT_NEAR (m.getY(), 27, 1);
    EXPECT_EQ (m.getWidth(), 26);
    EXPECT_EQ (m.getHeight(), 14);
}
