#include "support/MouseEvents.h"
#include "tab/LevelMatchModeSwitch.h"

#include <gtest/gtest.h>

namespace
{
constexpr int kWidth = 300;
constexpr int kHeight = 48;

struct HitCase
{
    float x, y;
    int width, height;
    int expected;
};

/** A switch that records every mode it reports. */
struct RecordingSwitch
{
    RecordingSwitch()
    {
        modeSwitch.setBounds (0, 0, kWidth, kHeight);
        modeSwitch.setVisible (true);
        modeSwitch.onModeChanged = [this] (int mode) { reported.add (mode); };
    }

    LevelMatchModeSwitch modeSwitch;
    juce::Array<int> reported;
};
} // namespace

TEST (LevelMatchModeSwitch, onlyTheSegmentStripBelowTheCaptionTakesClicks)
{
    const HitCase cases[] = {
        { 10.0f, 18.9f, 300, 48, -1 },          // caption strip
        { 10.0f, 19.0f, 300, 48, 0 },
        { 100.0f, 30.0f, 300, 48, 1 },
        { 200.0f, 30.0f, 300, 48, 2 },          // x = 2w/3 exactly
        { 299.9f, 30.0f, 300, 48, 2 },
        { 300.0f, 30.0f, 300, 48, -1 },         // the right edge is outside
        { -0.1f, 30.0f, 300, 48, -1 },
        { 10.0f, 45.9f, 300, 48, 0 },           // 19 + (48 - 21) = 46 is the end
        { 10.0f, 46.0f, 300, 48, -1 },
        { 10.0f, 19.5f, 300, 20, -1 },          // lower than 21 px: no strip
        { 10.0f, 19.0f, 300, 21, -1 },
        { 10.0f, 19.0f, 0, 48, -1 },
    };

    for (const auto& c : cases)
        EXPECT_EQ (LevelMatchModeSwitch::segmentAt (c.x, c.y, c.width, c.height), c.expected)
            << c.x << "," << c.y << " in " << c.width << "x" << c.height;

    // Two thirds of any width, as the mouse reports it, is in the last segment.
    for (int width = 3; width < 1000; ++width)
        EXPECT_EQ (LevelMatchModeSwitch::segmentAt ((float) width * 2.0f / 3.0f, 30.0f, width, 48), 2) << width;
}

TEST (LevelMatchModeSwitch, aClickSelectsItsSegmentAndIsReportedEvenWhenUnchanged)
{
    RecordingSwitch s;

    MouseEvents::click (s.modeSwitch, { 250.0f, 30.0f });
    EXPECT_EQ (s.modeSwitch.getMode(), 2);

    MouseEvents::click (s.modeSwitch, { 260.0f, 30.0f });
    EXPECT_EQ (s.modeSwitch.getMode(), 2);

    MouseEvents::click (s.modeSwitch, { 120.0f, 10.0f });     // the caption
    MouseEvents::click (s.modeSwitch, { 20.0f, 30.0f });

    EXPECT_EQ (s.modeSwitch.getMode(), 0);
    EXPECT_EQ (s.reported, juce::Array<int> ({ 2, 2, 0 }));
}

TEST (LevelMatchModeSwitch, theHoverFollowsTheMouseAndLeavesWithIt)
{
    RecordingSwitch s;

    s.modeSwitch.mouseMove (MouseEvents::at (s.modeSwitch, { 150.0f, 30.0f }));
    EXPECT_EQ (s.modeSwitch.getHoverSegment(), 1);

    s.modeSwitch.mouseMove (MouseEvents::at (s.modeSwitch, { 150.0f, 5.0f }));
    EXPECT_EQ (s.modeSwitch.getHoverSegment(), -1);

    s.modeSwitch.mouseMove (MouseEvents::at (s.modeSwitch, { 280.0f, 40.0f }));
    EXPECT_EQ (s.modeSwitch.getHoverSegment(), 2);

    s.modeSwitch.mouseExit (MouseEvents::at (s.modeSwitch, { 400.0f, 40.0f }));
    EXPECT_EQ (s.modeSwitch.getHoverSegment(), -1);
    EXPECT_TRUE (s.reported.isEmpty());
}

TEST (LevelMatchModeSwitch, drawsTheSelectedSegmentInTheAccentAtAnySize)
{
    LevelMatchModeSwitch s;
    s.setMode (1);

    for (const auto [w, h] : { std::pair<int, int> { 300, 48 }, { 300, 16 }, { 2, 20 }, { 0, 0 } })
    {
        s.setSize (w, h);
        juce::Image image (juce::Image::ARGB, juce::jmax (w, 1), juce::jmax (h, 1), true);
        juce::Graphics g (image);
        s.paint (g);
    }

    s.setSize (kWidth, kHeight);
    juce::Image image (juce::Image::ARGB, kWidth, kHeight, true);
    {
        juce::Graphics g (image);
        s.paint (g);
    }

    EXPECT_EQ (image.getPixelAt (110, 24), juce::Colour (0xff20d39a));
    EXPECT_EQ (image.getPixelAt (10, 24), juce::Colour (0xff0b1713));
}
