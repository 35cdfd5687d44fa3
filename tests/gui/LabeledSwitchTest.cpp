#include "engine/ThemePalette.h"
#include "support/MouseEvents.h"
#include "tab/LabeledSwitch.h"

#include <gtest/gtest.h>

namespace
{
constexpr int kWidth = 120;
constexpr int kHeight = 28;

/** A visible switch that counts its clicks and records the state each click saw. */
struct CountingSwitch
{
    CountingSwitch (bool initiallyOn)
    {
        button.setBounds (0, 0, kWidth, kHeight);
        button.setVisible (true);
        button.setToggleState (initiallyOn, juce::dontSendNotification);
        button.onClick = [this] { statesSeen.add (button.getToggleState()); };
    }

    LabeledSwitch button;
    juce::Array<bool> statesSeen;
};

juce::Point<float> atX (float x) { return { x, kHeight / 2.0f }; }
} // namespace

TEST (LabeledSwitch, aReleaseOnTheExactMiddleSwitchesOnAndTheOwnerHearsItTwice)
{
    CountingSwitch s (false);
    MouseEvents::click (s.button, atX (kWidth * 0.5f));

    EXPECT_TRUE (s.button.getToggleState());
    // Once for the change, once for the completed click: both see the new state.
    EXPECT_EQ (s.statesSeen, juce::Array<bool> ({ true, true }));

    s.statesSeen.clear();
    MouseEvents::click (s.button, atX (kWidth * 0.5f - 0.01f));
    EXPECT_FALSE (s.button.getToggleState());
    EXPECT_EQ (s.statesSeen, juce::Array<bool> ({ false, false }));
}

TEST (LabeledSwitch, aDragOrAReleaseOnTheActiveHalfChangesNothingButCallsBackOnce)
{
    CountingSwitch dragged (true);
    MouseEvents::drag (dragged.button, atX (kWidth - 5.0f), atX (5.0f));
    EXPECT_TRUE (dragged.button.getToggleState());
    EXPECT_EQ (dragged.statesSeen, juce::Array<bool> ({ true }));

    CountingSwitch same (true);
    MouseEvents::click (same.button, atX (kWidth - 5.0f));
    EXPECT_TRUE (same.button.getToggleState());
    EXPECT_EQ (same.statesSeen, juce::Array<bool> ({ true }));
}

TEST (LabeledSwitch, aDisabledSwitchIgnoresClicks)
{
    CountingSwitch s (true);
    s.button.setEnabled (false);
    MouseEvents::click (s.button, atX (5.0f));

    EXPECT_TRUE (s.button.getToggleState());
    EXPECT_TRUE (s.statesSeen.isEmpty());
}

TEST (LabeledSwitch, spaceOrReturnWithoutModifiersFlipsTheSwitch)
{
    CountingSwitch s (false);

    EXPECT_TRUE (s.button.keyPressed (juce::KeyPress (juce::KeyPress::spaceKey)));
    EXPECT_TRUE (s.button.getToggleState());
    EXPECT_TRUE (s.button.keyPressed (juce::KeyPress (juce::KeyPress::returnKey)));
    EXPECT_FALSE (s.button.getToggleState());
    EXPECT_EQ (s.statesSeen, juce::Array<bool> ({ true, false }));

    s.statesSeen.clear();
    EXPECT_FALSE (s.button.keyPressed (juce::KeyPress (juce::KeyPress::spaceKey, juce::ModifierKeys::shiftModifier, 0)));
    EXPECT_FALSE (s.button.keyPressed (juce::KeyPress ('a')));
    EXPECT_FALSE (s.button.getToggleState());
    EXPECT_TRUE (s.statesSeen.isEmpty());
}

TEST (LabeledSwitch, theKnobLabelIsDarkOnLightKnobsAndLightOnDarkOnes)
{
    EXPECT_EQ (LabeledSwitch::knobLabelColour (juce::Colour (0xfff2eee5)), juce::Colour (0xff07100d));
    EXPECT_EQ (LabeledSwitch::knobLabelColour (juce::Colour (0xff20d39a)), juce::Colour (0xff07100d));
    EXPECT_EQ (LabeledSwitch::knobLabelColour (juce::Colour (0xffd7b56d)), juce::Colour (0xff07100d));
    EXPECT_EQ (LabeledSwitch::knobLabelColour (juce::Colour (0xff244139)), juce::Colour (0xfff2f4f1));
}

TEST (LabeledSwitch, halvesAreSplitAtTheMiddle)
{
    EXPECT_TRUE (LabeledSwitch::selectsOnAt (50.0f, 100));
    EXPECT_FALSE (LabeledSwitch::selectsOnAt (49.99f, 100));
    EXPECT_TRUE (LabeledSwitch::selectsOnAt (2.5f, 5));

    // Tooltips halve the width in whole pixels: at 5 px, x = 0 and 1 are over the left half.
    EXPECT_TRUE (LabeledSwitch::isOverLeftHalf (0, 5));
    EXPECT_TRUE (LabeledSwitch::isOverLeftHalf (1, 5));
    EXPECT_FALSE (LabeledSwitch::isOverLeftHalf (2, 5));
}

// Drawing at every size, down to one pixel high or nothing at all, keeps to the bounds and
// never fails.
TEST (LabeledSwitch, drawsTheKnobOverTheActiveHalfAtAnySize)
{
    LabeledSwitch s;
    s.setLabels ("Reference", "Source");
    s.setColours (ThemePalette::accent, ThemePalette::sourceSignal);
    s.setToggleState (true, juce::dontSendNotification);

    for (const auto [w, h] : { std::pair<int, int> { 200, 30 }, { 10, 1 }, { 1, 1 }, { 0, 0 } })
    {
        s.setSize (w, h);
        juce::Image image (juce::Image::ARGB, juce::jmax (w, 1), juce::jmax (h, 1), true);
        juce::Graphics g (image);
        s.paintButton (g, false, false);
    }

    s.setSize (200, 30);
    juce::Image image (juce::Image::ARGB, 200, 30, true);
    {
        juce::Graphics g (image);
        s.paintButton (g, false, false);
    }

    // The knob (the Reference colour) fills the right half; the left half shows the track.
    EXPECT_EQ (image.getPixelAt (150, 4), ThemePalette::accent);
    EXPECT_EQ (image.getPixelAt (50, 4), ThemePalette::surface);
}
