#include "support/AudioThread.h"

namespace
{
constexpr float kNoiseLevel = 0.25f;
}

AudioThread::AudioThread (ProcessorHarness& harnessToUse)
    : harness (harnessToUse), thread ([this] { run(); })
{
}

AudioThread::~AudioThread()
{
    keepRunning = false;
    thread.join();
}

void AudioThread::run()
{
    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::Random random (7);

    while (keepRunning)
    {
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < blockSize; ++i)
                buffer.setSample (ch, i, kNoiseLevel * (random.nextFloat() * 2.0f - 1.0f));

        harness.process (buffer);

        if (++blocks % blocksPerMonitorFlip == 0)
            harness.setMonitor ((blocks / blocksPerMonitorFlip) % 2);

        // A real audio thread leaves the callback lock free most of the time.
        std::this_thread::yield();
    }
}
