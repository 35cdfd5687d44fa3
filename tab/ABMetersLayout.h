#pragma once

#include <juce_graphics/juce_graphics.h>

/**
    Where the meter panel puts its parts, in whole pixels of its local space: a left column of
    42 % of the inner width with the output switch (under its caption) and the level-match switch
    centred in it, and the two readout panels side by side to its right.

    A plain value, computed without any component, so that the panel's parts can be found and
    checked without a display. Any thread.
*/
struct ABMetersLayout final
{
    /** The layout of a panel of the given size. Any size, also zero or negative, gives
        rectangles of at least zero size. */
    static ABMetersLayout compute (int width, int height) noexcept;

    /** The caption "AUDIO OUTPUT" above the output switch. */
    juce::Rectangle<int> outputCaption;
    juce::Rectangle<int> outputSwitch;
    /** The level-match switch: its own caption on top, its segments below. */
    juce::Rectangle<int> levelMatchSwitch;
    /** The two readout panels. */
    juce::Rectangle<int> sourcePanel;
    juce::Rectangle<int> referencePanel;
};
