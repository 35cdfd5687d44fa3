#include "support/XTestInput.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

// JUCE's own dispatcher for one message of the platform queue (the plug-in build does not
// enable JUCE's modal loops, which would offer runDispatchLoopUntil).
namespace juce
{
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

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
        XFlush (display);
        MessagePump::runFor (kSettleMs);
    }
}

void click (juce::Point<int> screenPosition, MouseButton button)
{
    if (auto* display = getDisplay())
    {
        moveTo (screenPosition);
        XTestFakeButtonEvent (display, (unsigned int) button, True, CurrentTime);
        XFlush (display);
        MessagePump::runFor (kSettleMs);
        XTestFakeButtonEvent (display, (unsigned int) button, False, CurrentTime);
        XFlush (display);
        MessagePump::runFor (kSettleMs);
    }
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
        XFlush (display);
        MessagePump::runFor (kSettleMs);
    }
}
}

namespace MessagePump
{
void runFor (int milliseconds)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) juce::jmax (0, milliseconds);

    while (juce::Time::getMillisecondCounter() < end)
        if (! juce::dispatchNextMessageOnSystemQueue (true))
            juce::Thread::sleep (1);
}

bool runUntil (const std::function<bool()>& condition, int timeoutMilliseconds)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) juce::jmax (0, timeoutMilliseconds);

    while (! condition())
    {
        if (juce::Time::getMillisecondCounter() >= end)
            return condition();

        if (! juce::dispatchNextMessageOnSystemQueue (true))
            juce::Thread::sleep (1);
    }

    return true;
}
}
