#include "support/XTestInput.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace
{
/** A connection of the test's own to the X server, kept for the run. */
Display* getDisplay()
{
    static Display* display = [] () -> Display*
    {
        auto* opened = XOpenDisplay (nullptr);

        if (opened == nullptr)
            return nullptr;

        int eventBase = 0, errorBase = 0, major = 0, minor = 0;

        if (! XTestQueryExtension (opened, &eventBase, &errorBase, &major, &minor))
        {
            XCloseDisplay (opened);
            return nullptr;
        }

        return opened;
    }();

    return display;
}

constexpr int kSettleMs = 60;
}

namespace XTestInput
{
bool isAvailable()
{
    return getDisplay() != nullptr;
}

void moveTo (juce::Point<int> screenPosition)
{
    if (auto* display = getDisplay())
    {
        XTestFakeMotionEvent (display, -1, screenPosition.x, screenPosition.y, CurrentTime);
        XSync (display, False);
        MessagePump::runFor (kSettleMs);
    }
}

void pressButton (MouseButton button)
{
    if (auto* display = getDisplay())
    {
        XTestFakeButtonEvent (display, (unsigned int) button, True, CurrentTime);
        XSync (display, False);
        MessagePump::runFor (kSettleMs);
    }
}

void releaseButton (MouseButton button)
{
    if (auto* display = getDisplay())
    {
        XTestFakeButtonEvent (display, (unsigned int) button, False, CurrentTime);
        XSync (display, False);
        MessagePump::runFor (kSettleMs);
    }
}

void click (juce::Point<int> screenPosition, MouseButton button)
{
    moveTo (screenPosition);
    pressButton (button);
    releaseButton (button);
}

void pressWithControl (char letter)
{
    if (auto* display = getDisplay())
    {
        const auto control = XKeysymToKeycode (display, XK_Control_L);
        const auto key = XKeysymToKeycode (display, (KeySym) letter);

        XTestFakeKeyEvent (display, control, True, CurrentTime);
        XTestFakeKeyEvent (display, key, True, CurrentTime);
        XTestFakeKeyEvent (display, key, False, CurrentTime);
        XTestFakeKeyEvent (display, control, False, CurrentTime);
        XSync (display, False);
        MessagePump::runFor (kSettleMs);
    }
}
}
