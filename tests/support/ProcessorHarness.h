#pragma once

#include "engine/KalvorinAudioProcessor.h"
#include "support/TemporaryFolder.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

/** A play head whose transport the test sets; `hasPosition` false mimics a host without one. */
struct FakePlayHead final : juce::AudioPlayHead
{
    juce::Optional<PositionInfo> getPosition() const override
    {
        if (! hasPosition)
            return {};

        PositionInfo info;
        info.setIsPlaying (playing);
        return info;
    }

    bool playing = false;
    bool hasPosition = true;
};

/** Drives a processor the way JUCE's VST3 layer does: under the callback lock, clearing the
    output instead of processing while the processor is suspended. */
struct ProcessorHarness
{
    /** A processor whose settings file lives in `settingsFolder` (loaded at construction). */
    explicit ProcessorHarness (const juce::File& settingsFolder);

    /** Prepares for the rate and block size with the given channel counts (1 or 2 each). */
    void prepare (double sampleRate, int blockSize, int inputChannels = 2, int outputChannels = 2);

    /** Processes `buffer` in place as the host's audio thread would. */
    void process (juce::AudioBuffer<float>& buffer);

    /** Processes `numSamples` of silence (or the constant `value`) on every channel. */
    juce::AudioBuffer<float> processConstant (int numSamples, float value = 0.0f);

    /** Sets "monitorRef" as the editor does: 0 = Reference, 1 = Source. */
    void setMonitor (int choice);

    FakePlayHead playHead;
    std::unique_ptr<KalvorinAudioProcessor> processor;
    int channels = 2;
};
