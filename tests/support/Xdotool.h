#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    Pointer drags for window tests, sent through the X server by xdotool (which scripts/setup.sh
    installs), so that the press, the moves and the release reach a window the way a user's
    would. While xdotool runs, the test's message loop keeps turning. Message thread.
*/
namespace Xdotool
{
/** True when xdotool can be run. */
bool isAvailable();

/** Runs xdotool with the arguments and waits for it while the message loop turns; returns
    whether it succeeded. */
bool run (const juce::StringArray& arguments);

/** Presses the left button at one screen position, moves in even steps to another, pausing
    20 ms between steps, and releases it there. */
bool drag (juce::Point<int> from, juce::Point<int> to, int steps = 8);
}
