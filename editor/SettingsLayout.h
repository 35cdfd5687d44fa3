#pragma once

#include <juce_graphics/juce_graphics.h>

/**
    Where the settings dialog puts its groups and controls within its bounds: a button row at
    the bottom (Cancel at the right, OK to its left), the "General" group with five rows of
    caption and control, and the "Version" group with the version line and the credit link.

    A plain value, computed without any component; any thread.
*/
struct SettingsLayout final
{
    /** The dialog's size when it opens. */
    static constexpr int kDialogWidth = 520;
    static constexpr int kDialogHeight = 450;

    /** The bounds of every control for a dialog of the given local bounds. */
    static SettingsLayout forBounds (juce::Rectangle<int> bounds);

    juce::Rectangle<int> okButton, cancelButton;
    juce::Rectangle<int> generalGroup;
    juce::Rectangle<int> leftUnitLabel, leftUnitBox;
    juce::Rectangle<int> rightUnitLabel, rightUnitBox;
    juce::Rectangle<int> analyzerStyleLabel, analyzerStyleBox;
    juce::Rectangle<int> historyToggle;
    juce::Rectangle<int> historyLengthLabel, historyLengthEditor;
    juce::Rectangle<int> versionGroup;
    juce::Rectangle<int> versionLabel, creditLink;
};
