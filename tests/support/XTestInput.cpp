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

constexpr int kSettleMs = 60;

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
