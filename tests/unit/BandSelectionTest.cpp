#include "tab/views/BandSelection.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
// A band view 660 x 300 px: the plot is 50 ... 650 px wide, 10 ... 274 px high, 20 px per band.
const juce::Rectangle<float> kPlot = BandAxis::plotAreaFor (660.0f, 300.0f, 26.0f);
constexpr float kBandWidth = 20.0f;
constexpr float kMiddleY = 142.0f;

struct BandSelectionTest : ::testing::Test
{
    // The x of the middle of a band.
    static float bandX (int band) { return kPlot.getX() + ((float) band + 0.5f) * kBandWidth; }
    static float edgeX (int edge) { return kPlot.getX() + (float) edge * kBandWidth; }

    // Press at x (middle height), drag to each x in turn, release; returns the release's outcome.
    BandSelection::Outcome gesture (float pressX, std::initializer_list<float> dragXs, float y = kMiddleY)
    {
        selection.press (axis, kPlot, { pressX, y });

        for (auto x : dragXs)
            selection.drag (axis, kPlot, x);

        return selection.release();
    }

    void expectSelection (int lowEdge, int highEdge)
    {
        EXPECT_DOUBLE_EQ (selection.selection.low, axis.getEdge (lowEdge));
        EXPECT_DOUBLE_EQ (selection.selection.high, axis.getEdge (highEdge));
    }

    BandAxis axis;
    BandSelection selection;
};
}

TEST_F (BandSelectionTest, aClickSelectsTheBandUnderTheMouseAndReportsItOnRelease)
{
    const auto pressed = selection.press (axis, kPlot, { bandX (17), kMiddleY });
    EXPECT_TRUE (pressed.repaint);
    EXPECT_FALSE (pressed.report);

    const auto released = selection.release();
    ASSERT_TRUE (released.report);
    ASSERT_TRUE (released.band.has_value());
    EXPECT_NEAR (released.band->getStart(), 1002.37, 0.01);
    EXPECT_NEAR (released.band->getEnd(), 1261.91, 0.01);
    EXPECT_TRUE (selection.bandListenOn);
}

TEST_F (BandSelectionTest, clicksInTheMarginsDoNothingAndTheRightEdgeSelectsTheLastBand)
{
    for (auto position : { juce::Point<float> (25.0f, kMiddleY),              // left margin
                           juce::Point<float> (300.0f, 285.0f),               // bottom margin
                           juce::Point<float> (655.0f, kMiddleY) })           // right margin
    {
        EXPECT_FALSE (selection.press (axis, kPlot, position).repaint);
        EXPECT_FALSE (selection.release().report);
        EXPECT_TRUE (selection.selection.isEmpty());
    }

    gesture (kPlot.getRight(), {});
    expectSelection (29, 30);
}

TEST_F (BandSelectionTest, aThreeBandSelectionMovedFarRightEndsAt20kHz)
{
    // Select three bands by dragging the upper edge, then move them past the right end.
    gesture (bandX (12), {});
    selection.press (axis, kPlot, { edgeX (13), kMiddleY });
    selection.drag (axis, kPlot, edgeX (15));
    selection.release();
    expectSelection (12, 15);

    gesture (bandX (13), { 2000.0f });
    EXPECT_NEAR (selection.selection.low, 10023.7, 0.05);
    EXPECT_NEAR (selection.selection.high, 20000.0, 1e-6);
}

TEST_F (BandSelectionTest, aMovedSelectionKeepsItsWidthAndSnapsToBandEdges)
{
    gesture (bandX (5), { bandX (9) + 3.0f, bandX (20) - 6.0f });
    expectSelection (20, 21);

    gesture (bandX (20), { -100.0f });
    expectSelection (0, 1);
}

TEST_F (BandSelectionTest, draggingAnEdgeSnapsItToBandEdges)
{
    gesture (bandX (17), {});

    selection.press (axis, kPlot, { edgeX (17), kMiddleY });
    selection.drag (axis, kPlot, edgeX (14) + 3.0f);
    const auto lowered = selection.release();
    expectSelection (14, 18);
    ASSERT_TRUE (lowered.band.has_value());
    EXPECT_DOUBLE_EQ (lowered.band->getStart(), axis.getEdge (14));

    selection.press (axis, kPlot, { edgeX (18), kMiddleY });
    selection.drag (axis, kPlot, edgeX (22) - 4.0f);
    selection.release();
    expectSelection (14, 22);
}

TEST_F (BandSelectionTest, anEdgeDraggedPastTheOtherStopsOneBandShortOfIt)
{
    // 1002 ... 1262 Hz; the lower edge dragged to 1250 Hz and beyond keeps the upper edge.
    gesture (bandX (17), {});

    for (auto target : { axis.frequencyToX (1250.0, kPlot), edgeX (25), kPlot.getRight() + 50.0f })
    {
        selection.press (axis, kPlot, { edgeX (17), kMiddleY });
        selection.drag (axis, kPlot, target);
        selection.release();
        expectSelection (17, 18);
    }

    // The upper edge dragged below the lower one keeps the lower edge.
    for (auto target : { edgeX (16), 0.0f })
    {
        selection.press (axis, kPlot, { edgeX (18), kMiddleY });
        selection.drag (axis, kPlot, target);
        selection.release();
        expectSelection (17, 18);
    }

    // At the top and at the bottom of the axis.
    gesture (bandX (29), {});
    selection.press (axis, kPlot, { edgeX (29), kMiddleY });
    selection.drag (axis, kPlot, kPlot.getRight() + 50.0f);
    selection.release();
    expectSelection (29, 30);

    gesture (bandX (0), {});
    selection.press (axis, kPlot, { edgeX (1), kMiddleY });
    selection.drag (axis, kPlot, 0.0f);
    selection.release();
    expectSelection (0, 1);
}

TEST_F (BandSelectionTest, theBadgeRemovesTheSelectionAndTurnsBandListenOff)
{
    gesture (bandX (8), {});
    selection.updateGeometry (axis, kPlot);
    ASSERT_FALSE (selection.badgeBounds.isEmpty());

    const auto removed = selection.press (axis, kPlot, selection.badgeBounds.getCentre());
    EXPECT_TRUE (removed.repaint);
    EXPECT_TRUE (removed.report);
    EXPECT_FALSE (removed.band.has_value());
    EXPECT_TRUE (selection.selection.isEmpty());
    EXPECT_FALSE (selection.bandListenOn);
    EXPECT_FALSE (selection.release().report);
}

TEST_F (BandSelectionTest, aDoubleClickInsideFlipsBandListenAndKeepsTheSelection)
{
    gesture (bandX (8), {});

    const auto off = selection.doubleClick (axis, kPlot, { bandX (8), 40.0f });
    EXPECT_TRUE (off.report);
    EXPECT_FALSE (off.band.has_value());
    EXPECT_FALSE (selection.bandListenOn);
    EXPECT_FALSE (selection.selection.isEmpty());

    const auto on = selection.doubleClick (axis, kPlot, { bandX (8), 40.0f });
    ASSERT_TRUE (on.band.has_value());
    EXPECT_DOUBLE_EQ (on.band->getStart(), axis.getEdge (8));

    EXPECT_FALSE (selection.doubleClick (axis, kPlot, { bandX (12), 40.0f }).report);
}

TEST_F (BandSelectionTest, aDisabledSelectionIgnoresEveryGesture)
{
    gesture (bandX (3), {});
    const auto disabled = selection.disable();
    EXPECT_TRUE (disabled.report);
    EXPECT_FALSE (disabled.band.has_value());

    EXPECT_FALSE (selection.press (axis, kPlot, { bandX (5), kMiddleY }).repaint);
    EXPECT_FALSE (selection.drag (axis, kPlot, bandX (9)).repaint);
    EXPECT_FALSE (selection.release().report);
    EXPECT_FALSE (selection.doubleClick (axis, kPlot, { bandX (5), kMiddleY }).report);
    selection.mirror (axis, kPlot, { 100.0, 200.0 }, true);

    EXPECT_TRUE (selection.selection.isEmpty());
    EXPECT_FALSE (selection.bandListenOn);
}

TEST_F (BandSelectionTest, aSelectionTakenFromOutsideIsLimitedAndNeverReportsANonNumber)
{
    selection.mirror (axis, kPlot, { 5.0, 50000.0 }, true);
    EXPECT_DOUBLE_EQ (selection.selection.low, 20.0);
    EXPECT_DOUBLE_EQ (selection.selection.high, 20000.0);
    EXPECT_TRUE (selection.bandListenOn);
    EXPECT_FALSE (selection.lowerHandleBounds.isEmpty());

    // Moved, it snaps to whole bands; every reported edge is a finite frequency in range.
    const auto moved = gesture (bandX (15), { bandX (2) });
    ASSERT_TRUE (moved.band.has_value());
    EXPECT_TRUE (std::isfinite (moved.band->getStart()) && std::isfinite (moved.band->getEnd()));
    EXPECT_GE (moved.band->getStart(), 20.0);
    EXPECT_LE (moved.band->getEnd(), 20000.0);

    for (auto unusable : { BandSelection::Range { std::nan (""), 1000.0 },
                           BandSelection::Range { 100.0, std::numeric_limits<double>::infinity() },
                           BandSelection::Range { 2.0, 8.0 },
                           BandSelection::Range { 3000.0, 1000.0 } })
    {
        selection.mirror (axis, kPlot, unusable, true);
        EXPECT_TRUE (selection.selection.isEmpty());
        EXPECT_FALSE (selection.bandListenOn);
        EXPECT_FALSE (selection.toFocusBand().has_value());
        EXPECT_TRUE (selection.badgeBounds.isEmpty());
    }
}

TEST_F (BandSelectionTest, handlesAndBadgeSitOnTheSelectionsEdgesAndVanishWithoutHeight)
{
    gesture (bandX (10), {});
    selection.updateGeometry (axis, kPlot);

    auto expectNear = [] (juce::Rectangle<float> actual, juce::Rectangle<float> expected)
    {
        EXPECT_NEAR (actual.getX(), expected.getX(), 1e-3f);
        EXPECT_NEAR (actual.getY(), expected.getY(), 1e-3f);
        EXPECT_NEAR (actual.getWidth(), expected.getWidth(), 1e-3f);
        EXPECT_NEAR (actual.getHeight(), expected.getHeight(), 1e-3f);
    };

    expectNear (selection.lowerHandleBounds, { edgeX (10) - 8.0f, kMiddleY - 8.0f, 16.0f, 16.0f });
    expectNear (selection.upperHandleBounds, { edgeX (11) - 8.0f, kMiddleY - 8.0f, 16.0f, 16.0f });
    expectNear (selection.badgeBounds, { edgeX (11) - 20.0f, kPlot.getY() + 2.0f, 18.0f, 18.0f });

    selection.updateGeometry (axis, kPlot.withHeight (0.0f));
    EXPECT_TRUE (selection.lowerHandleBounds.isEmpty());
    EXPECT_TRUE (selection.badgeBounds.isEmpty());
}
