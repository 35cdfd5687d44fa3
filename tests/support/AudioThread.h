#pragma once

#include "support/ProcessorHarness.h"

#include <atomic>
#include <thread>

/**
    A thread of the test's own that plays blocks of noise through the processor, as the host's
    audio thread does, from construction until destruction; every few blocks it flips
    "monitorRef" as host automation does from that thread. It runs as fast as it can, so the
    editor meets a busy engine. The harness must outlive it.
*/
class AudioThread final
{
public:
    /** Samples per block. */
    static constexpr int blockSize = 512;
    /** Blocks between two flips of "monitorRef". */
    static constexpr int blocksPerMonitorFlip = 16;

    /** Starts playing through the harness at once. */
    explicit AudioThread (ProcessorHarness& harness);

    /** Stops after the block being played and joins the thread. */
    ~AudioThread();

    /** How many blocks were played so far. Any thread. */
    int blocksProcessed() const { return blocks.load(); }

private:
    void run();

    ProcessorHarness& harness;
    std::atomic<bool> keepRunning { true };
    std::atomic<int> blocks { 0 };
    std::thread thread;

    JUCE_DECLARE_NON_COPYABLE (AudioThread)
};
