#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Made-up mouse events for driving a component's handlers directly, without a window. */
namespace MouseEvents
{
/** An event of the main mouse at a position in the component's local space, left button held. */
juce::MouseEvent at (juce::Component& component, juce::Point<float> position, bool wasDragged = false);

/** A press and a release at the same position, as one click. */
void click (juce::Component& component, juce::Point<float> position);

/** A press at `from` and a release at `to` after a drag. */
void drag (juce::Component& component, juce::Point<float> from, juce::Point<float> to);
} // namespace MouseEvents
