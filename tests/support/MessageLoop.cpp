#include "support/MessageLoop.h"

#include <juce_events/juce_events.h>

namespace juce
{
// JUCE's Linux message loop runs one turn through this function.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

void deliverPendingMessages()
{
    JUCE_ASSERT_MESSAGE_THREAD

    while (juce::dispatchNextMessageOnSystemQueue (true))
    {
    }
}

namespace MessagePump
{
void runFor (int milliseconds)
{
    runUntil ([] { return false; }, milliseconds);
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

void runBlockingFor (int milliseconds)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) juce::jmax (0, milliseconds);

    while (juce::Time::getMillisecondCounter() < end)
        juce::dispatchNextMessageOnSystemQueue (false);
}
}
