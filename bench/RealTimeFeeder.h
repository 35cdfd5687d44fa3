#pragma once

#include "support/EditorPlayback.h"

#include <atomic>
#include <thread>

/**
    A host's audio thread in real time: a thread of its own plays one block through an editor
    playback every block's duration at the processor's sample rate, from construction until
    destruction, so that the editor meets the engine as it does in a host that plays. Its CPU
    time is its own, apart from the message thread's. The playback must outlive it.
*/
class RealTimeFeeder final
{
public:
    /** Starts playing at once. */
    RealTimeFeeder (EditorPlayback& playback, double sampleRate);

    /** Stops after the block being played and joins the thread. */
    ~RealTimeFeeder();

    /** The CPU time the feeder's thread has used so far, seconds. Any thread. */
    double cpuSeconds() const;

    /** How many blocks were played so far. Any thread. */
    long blocksPlayed() const noexcept { return blocks.load(); }

private:
    void run();

    EditorPlayback& playback;
    const double blockSeconds;
    std::atomic<bool> keepRunning { true };
    std::atomic<long> blocks { 0 };
    std::thread thread;

    JUCE_DECLARE_NON_COPYABLE (RealTimeFeeder)
};
