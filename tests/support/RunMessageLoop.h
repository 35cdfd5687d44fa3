#pragma once

#include <juce_events/juce_events.h>

#include <functional>

namespace juce
{
// JUCE's own message-loop step (defined in juce_events for Linux); the plug-in build has no modal
// loops, so the tests turn the loop themselves.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

/** Turns the message loop for up to `milliseconds`, so that X input, repaints, timers and posted
    messages are handled; returns early once `done` holds. Message thread (the test's main thread). */
inline void runMessageLoop (int milliseconds, const std::function<bool()>& done = {})
{
    const auto end = juce::Time::getMillisecondCounterHiRes() + milliseconds;

    while (juce::Time::getMillisecondCounterHiRes() < end)
    {
        while (juce::dispatchNextMessageOnSystemQueue (true))
        {
        }

        if (done && done())
            return;

        juce::Thread::sleep (1);
    }
}
