#include "support/MessageLoop.h"

#include <juce_events/juce_events.h>

namespace juce
{
// JUCE's Linux message loop runs one turn through this function; the plug-in's build has no
// modal loops, so the tests turn the loop themselves.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

void deliverPendingMessages()
{
    JUCE_ASSERT_MESSAGE_THREAD

    while (juce::dispatchNextMessageOnSystemQueue (true))
    {
    }
}
