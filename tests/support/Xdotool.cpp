#include "support/Xdotool.h"

#include "support/XTestInput.h"

namespace
{
constexpr int kWaitMs = 10000;
constexpr const char* kStepPause = "0.02";
}

namespace Xdotool
{
bool isAvailable()
{
    juce::ChildProcess process;
    return process.start (juce::StringArray { "xdotool", "version" }) && process.waitForProcessToFinish (kWaitMs)
           && process.getExitCode() == 0;
}

bool run (const juce::StringArray& arguments)
{
    juce::StringArray command { "xdotool" };
    command.addArray (arguments);
    juce::ChildProcess process;

    if (! process.start (command))
        return false;

    MessagePump::runUntil ([&process] { return ! process.isRunning(); }, kWaitMs);
    return ! process.isRunning() && process.getExitCode() == 0;
}

bool drag (juce::Point<int> from, juce::Point<int> to, int steps)
{
    steps = juce::jmax (1, steps);
    juce::StringArray arguments { "mousemove", "--sync", juce::String (from.x), juce::String (from.y), "mousedown", "1" };

    for (int i = 1; i <= steps; ++i)
        arguments.addArray ({ "mousemove", juce::String (from.x + (to.x - from.x) * i / steps),
                              juce::String (from.y + (to.y - from.y) * i / steps), "sleep", kStepPause });

    arguments.addArray ({ "mouseup", "1" });
    return run (arguments);
}
}
