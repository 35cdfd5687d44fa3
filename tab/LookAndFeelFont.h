#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    The default typeface of the look-and-feel in force for a component, at a height and style.

    A plain juce::Font finds its typeface through the default look-and-feel, not through the
    component's own, so a component drawn with a look-and-feel of its own asks that one here.
    Message thread.
*/
juce::Font lookAndFeelFont (const juce::Component& component, float height, int styleFlags = juce::Font::plain);
