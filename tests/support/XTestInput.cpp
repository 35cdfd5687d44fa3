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

constexpr int kDefaultSettleMs = 60;
int settleMs = kDefaultSettleMs;

/** Flushes the input to the server and lets the window handle it. */
void sendAndSettle (Display* display)
{
    XSync (display, False);
    MessagePump::runFor (settleMs);
}
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
        sendAndSettle (display);
    }
}

void pressButton (MouseButton button)
{
    if (auto* display = getDisplay())
    {
        XTestFakeButtonEvent (display, (unsigned int) button, True, CurrentTime);
        sendAndSettle (display);
    }
}

void releaseButton (MouseButton button)
{
    if (auto* display = getDisplay())
    {
        XTestFakeButtonEvent (display, (unsigned int) button, False, CurrentTime);
        sendAndSettle (display);
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
    const char name[] = { letter, 0 };
    pressKey (name, true);
}

bool pressKey (const char* keyName, bool withControl)
{
    auto* display = getDisplay();

    if (display == nullptr)
        return false;

    const auto keySym = XStringToKeysym (keyName);
    const auto key = keySym != NoSymbol ? XKeysymToKeycode (display, keySym) : 0;

    if (key == 0)
        return false;

    const auto control = XKeysymToKeycode (display, XK_Control_L);

    if (withControl)
        XTestFakeKeyEvent (display, control, True, CurrentTime);

    XTestFakeKeyEvent (display, key, True, CurrentTime);
    XTestFakeKeyEvent (display, key, False, CurrentTime);

    if (withControl)
        XTestFakeKeyEvent (display, control, False, CurrentTime);

    sendAndSettle (display);
    return true;
}

juce::Point<int> findScreenOffset (juce::Component& window, juce::Point<int> localPoint)
{
    struct PointerProbe final : juce::MouseListener
    {
        void mouseMove (const juce::MouseEvent& e) override { last = e.getEventRelativeTo (target).getPosition(); }
        juce::Component* target = nullptr;
        juce::Point<int> last { -1, -1 };
    } probe;

    probe.target = &window;
    window.addMouseListener (&probe, true);

    // Two spots, so that each move is a real one.
    const juce::Point<int> spots[] = { localPoint, localPoint + juce::Point<int> (10, 10) };
    juce::Point<int> offset;

    for (int attempt = 0; attempt < 50; ++attempt)
    {
        const auto spot = spots[attempt % 2];
        probe.last = { -1, -1 };
        moveTo (window.localPointToGlobal (spot) + offset);

        if (MessagePump::runUntil ([&] { return probe.last == spot; }, 100))
            break;

        if (probe.last != juce::Point<int> (-1, -1))
            offset += spot - probe.last;
    }

    window.removeMouseListener (&probe);
    return offset;
}

int getSettleTime()
{
    return settleMs;
}

ScopedSettleTime::ScopedSettleTime (int milliseconds)
    : previous (settleMs)
{
    settleMs = juce::jmax (0, milliseconds);
}

ScopedSettleTime::~ScopedSettleTime()
{
    settleMs = previous;
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
