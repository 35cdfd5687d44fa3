#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/** Helpers for tests that draw views or drive them with made-up mouse events. Message thread. */
namespace ViewTestKit
{
/** The component drawn into an image of its own size. */
juce::Image render (juce::Component& component);

/** The areas (in the component's coordinates) that the component and its children ask to be
    repainted while change runs. The requests are recorded instead of being passed on. */
juce::RectangleList<int> recordRepaints (juce::Component& component, const std::function<void()>& change);

/** before with the component drawn again only inside areas (cleared first), as a window
    repaints what was asked for and keeps the rest of its last picture. */
juce::Image renderInto (const juce::Image& before, juce::Component& component, const juce::RectangleList<int>& areas);

/** How many pixels of two images of the same size differ (all of them when the sizes differ). */
int countDifferentPixels (const juce::Image& a, const juce::Image& b);

/** A file of that name in the screenshots folder of the build tree (made when missing). */
juce::File screenshotFile (const juce::String& name);

/** Draws the component and writes it as a PNG into the screenshots folder; returns the file. */
juce::File saveScreenshot (juce::Component& component, const juce::String& name);

/** A mouse event at position (in the component's coordinates) with the given buttons held. */
juce::MouseEvent mouseEvent (juce::Component& component, juce::Point<float> position,
                             juce::ModifierKeys buttons = juce::ModifierKeys::leftButtonModifier,
                             int clicks = 1, bool dragged = false);

/** Press and release at one position, as the component's own handlers see it. */
void click (juce::Component& component, juce::Point<float> position,
            juce::ModifierKeys buttons = juce::ModifierKeys::leftButtonModifier);

/** Press at from, drag to to, release there. */
void drag (juce::Component& component, juce::Point<float> from, juce::Point<float> to,
           juce::ModifierKeys buttons = juce::ModifierKeys::leftButtonModifier);

/** Two clicks at one position, followed by the double click the framework reports after the
    second release. */
void doubleClick (juce::Component& component, juce::Point<float> position);

/** The mouse moved to position (hover). */
void hover (juce::Component& component, juce::Point<float> position);

/** A window test's mouse: sends events through a desktop component's peer, so that they take
    the framework's whole route (mouse listeners, modal checks) as real input does. */
class PeerMouse final
{
public:
    explicit PeerMouse (juce::Component& desktopComponent);

    /** Moves there with no button, presses the buttons, releases them. */
    void click (juce::Point<float> position, juce::ModifierKeys buttons);
    /** Moves there with no button, presses, drags to to, releases there. */
    void drag (juce::Point<float> from, juce::Point<float> to, juce::ModifierKeys buttons);

private:
    void send (juce::Point<float> position, juce::ModifierKeys buttons, int afterMs);

    juce::Component& component;
    juce::int64 time = 0;
};
}
