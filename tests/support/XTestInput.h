#pragma once

#include "support/MessageLoop.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/**
    Real input for window tests: pointer moves, button clicks and key presses sent to the X
    server through its XTest extension, so that they reach the plug-in window exactly as a
    user's would (through the window system and JUCE's event handling). Message thread.
*/
namespace XTestInput
{
/** X pointer buttons. */
enum class MouseButton : unsigned int
{
    left = 1,
    middle = 2,
    right = 3,
    /** The wheel's two directions, which X reports as buttons. */
    wheelUp = 4,
    wheelDown = 5
};

/** True when an X display with the XTest extension is reachable. */
bool isAvailable();

/** Moves the pointer to a screen position. */
void moveTo (juce::Point<int> screenPosition);

/** Moves the pointer to a screen position and clicks a button there. */
void click (juce::Point<int> screenPosition, MouseButton button = MouseButton::left);

/** Presses a button at the pointer's position (and holds it). */
void pressButton (MouseButton button = MouseButton::left);

/** Releases a held button. */
void releaseButton (MouseButton button = MouseButton::left);

/** Presses and releases a letter key with the Control key held down. */
void pressWithControl (char letter);

/** Presses and releases the key of an X key name ("Escape", "Return", "Delete", "Left", "a",
    "space", ...), with the Control key held down when asked; false when the name is unknown. */
bool pressKey (const char* keyName, bool withControl = false);

/** How far a window on the screen really is from where the framework believes it to be,
    which can lag behind the window manager's placement: the pointer is moved to a point of the
    window and next to it until its events arrive where they were sent. Add the result to the
    framework's screen positions of the window's points. The pointer ends near that point. */
juce::Point<int> findScreenOffset (juce::Component& window, juce::Point<int> localPoint);

/** How long every call above lets the message loop run after its input (60 ms unless a
    ScopedSettleTime says otherwise). */
int getSettleTime();

/** Shortens or lengthens the time every call lets the message loop run after its input, for
    its lifetime; a long run of input can then go faster than one event per frame. */
struct ScopedSettleTime
{
    explicit ScopedSettleTime (int milliseconds);
    ~ScopedSettleTime();

private:
    int previous;
};

/** Where an X window (a JUCE peer's native handle, for one) lies on the screen as the X server
    has placed it, which may differ from where JUCE believes it is while the window manager moves
    it; empty when the window is unknown. */
juce::Rectangle<int> windowArea (unsigned long window);

/** The screen area of the first viewable window with this title, such as a dialog or a menu
    that another module's JUCE opened; empty while there is none. */
juce::Rectangle<int> findWindowArea (const juce::String& title);
}
