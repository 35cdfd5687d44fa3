#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

/** A transport that always plays, so that the active Reference renders and is measured. */
struct PlayingHead final : juce::AudioPlayHead
{
    juce::Optional<PositionInfo> getPosition() const override;
};

/**
    A host's audio thread for the tests: from construction until destruction it fills a block
    with the Source, passes it through the hosted plug-in and rests a moment, over and over.

    The plug-in must be prepared for the block size, and nothing else may call its processBlock
    meanwhile. The counters may be read from any thread.
*/
class HostAudioThread
{
public:
    /** Writes the Source into a block; called on the audio thread with the block's number. */
    using SourceWriter = std::function<void (juce::AudioBuffer<float>&, int blockNumber)>;

    HostAudioThread (juce::AudioPluginInstance& plugin, int blockSize, std::chrono::milliseconds pause,
                     SourceWriter writeSource);
    ~HostAudioThread();

    /** Blocks processed so far. */
    std::atomic<int> blocksProcessed { 0 };

    /** The RMS of the output's first channel over the last block processed. */
    float getOutputRms() const noexcept { return outputRms.load(); }

private:
    void run();

    juce::AudioPluginInstance& plugin;
    const int blockSize;
    const std::chrono::milliseconds pause;
    const SourceWriter writeSource;
    std::atomic<float> outputRms { 0.0f };
    std::atomic<bool> keepRunning { true };
    std::thread thread;

    JUCE_DECLARE_NON_COPYABLE (HostAudioThread)
};
