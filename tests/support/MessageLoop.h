#pragma once

#include <functional>

/** Delivers every message already posted to the message thread, as its loop would; call it on
    the message thread (the test's main thread). */
void deliverPendingMessages();

/** Turns the message loop of a test that owns the message thread, so that X input, repaints,
    timers and posted messages are handled. The plug-in's build has no modal loops, so the tests
    turn the loop themselves. Message thread. */
namespace MessagePump
{
/** Dispatches messages for the given time. */
void runFor (int milliseconds);

/** Dispatches messages until the condition holds or the time runs out; returns the condition. */
bool runUntil (const std::function<bool()>& condition, int timeoutMilliseconds);

/** Dispatches messages for at least the given time, waiting for each in the system's poll as a
    host's event loop does rather than waking every millisecond; returns after the first message
    past the time (timers keep the loop busy). */
void runBlockingFor (int milliseconds);
}
