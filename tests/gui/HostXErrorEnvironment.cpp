#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <iostream>

namespace
{
// The test process is the plug-in's host, and the X error handler is the host's to set: the
// framework sets none inside a plug-in. Like the hosts the plug-in runs in (and the framework's
// own applications), the run keeps going after an X error instead of ending the process as
// Xlib's default handler does. Such errors come from races in the window system's traffic,
// for example the framework asking about the window that had the focus just after a dialog
// closed it; each is printed, and the test goes on to check what the plug-in did.
class HostXErrorEnvironment final : public ::testing::Environment
{
public:
    void SetUp() override
    {
        previous = XSetErrorHandler (printError);
    }

    void TearDown() override
    {
        XSetErrorHandler (previous);
    }

private:
    static int printError (Display* display, XErrorEvent* event)
    {
        char text[128] = {};
        XGetErrorText (display, event->error_code, text, (int) sizeof (text));
        std::cerr << "X error (ignored, as a host does): " << text << " in request " << (int) event->request_code
                  << " about resource 0x" << std::hex << event->resourceid << std::dec << std::endl;
        return 0;
    }

    XErrorHandler previous = nullptr;
};

[[maybe_unused]] auto* const hostXErrors = ::testing::AddGlobalTestEnvironment (new HostXErrorEnvironment());
}
