#include "support/XTestInput.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <X11/Xutil.h>

#include <string>

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

/** Keeps a query about windows that may vanish meanwhile (a menu closing) from ending the
    process: Xlib's own handler exits on any error. The handler is the process's, so it is only
    swapped for the query's duration. */
struct ScopedIgnoredXErrors
{
    explicit ScopedIgnoredXErrors (Display* d) : display (d), previous (XSetErrorHandler (ignore)) {}

    ~ScopedIgnoredXErrors()
    {
        XSync (display, False);
        XSetErrorHandler (previous);
    }

    static int ignore (Display*, XErrorEvent*) { return 0; }

    Display* display;
    XErrorHandler previous;
};

/** A window's title as its bytes. JUCE writes it as UTF-8 text, which XFetchName does not
    return (it only returns Latin-1 titles). */
std::string windowTitle (Display* display, Window window)
{
    XTextProperty property {};

    if (XGetWMName (display, window, &property) == 0 || property.value == nullptr)
        return {};

    const std::string title (reinterpret_cast<const char*> (property.value), property.nitems);
    XFree (property.value);
    return title;
}

/** The first viewable window with the title at or below a window, depth first; 0 for none. */
Window findViewableWindow (Display* display, Window window, const char* title)
{
    XWindowAttributes attributes;

    if (XGetWindowAttributes (display, window, &attributes) == 0 || attributes.map_state != IsViewable)
        return 0;

    if (windowTitle (display, window) == title)
        return window;

    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int numChildren = 0;

    if (XQueryTree (display, window, &root, &parent, &children, &numChildren) == 0)
        return 0;

    Window found = 0;

    // The topmost child first: a window opened last lies on top.
    for (auto i = numChildren; i > 0 && found == 0; --i)
        found = findViewableWindow (display, children[i - 1], title);

    if (children != nullptr)
        XFree (children);

    return found;
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

juce::Rectangle<int> windowArea (unsigned long window)
{
    auto* display = getDisplay();

    if (display == nullptr || window == 0)
        return {};

    const ScopedIgnoredXErrors ignoreErrors (display);
    XWindowAttributes attributes;

    if (XGetWindowAttributes (display, (Window) window, &attributes) == 0)
        return {};

    int x = 0, y = 0;
    Window child = 0;

    if (! XTranslateCoordinates (display, (Window) window, attributes.root, 0, 0, &x, &y, &child))
        return {};

    return { x, y, attributes.width, attributes.height };
}

juce::Rectangle<int> findWindowArea (const juce::String& title)
{
    auto* display = getDisplay();

    if (display == nullptr)
        return {};

    const ScopedIgnoredXErrors ignoreErrors (display);
    return windowArea (findViewableWindow (display, DefaultRootWindow (display), title.toRawUTF8()));
}
}
