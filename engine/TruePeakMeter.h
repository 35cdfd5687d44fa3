#pragma once

#include "RealtimeAnnotations.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_dsp/juce_dsp.h>

#include <atomic>
#include <memory>
#include <vector>

/**
    Measures the sample peak and the 4x-oversampled true peak of one signal, block by block,
    and keeps the highest of each since the editor last looked.

    The audio thread raises the two holds; the editor's timer reads and clears them with
    an atomic exchange, so a peak that happens between two timer ticks is never lost.
    All peaks are linear magnitudes where 1.0 is full scale.
*/
class TruePeakMeter final
{
public:
    /** Oversampling factor as a power of two: two cascaded 2x stages, 4x in all. */
    static constexpr int kOversamplingStages = 2;

    /** Samples produced by the oversampler for every input sample. */
    static constexpr int kOversamplingFactor = 1 << kOversamplingStages;

    /** Creates an unprepared meter; process() does nothing until prepare() has been called. */
    TruePeakMeter();
    ~TruePeakMeter();

    /** Builds one oversampler per channel for blocks of up to maxBlockSize samples and clears
        both holds. Allocates: call from prepareToPlay (or any thread while no block runs). */
    void prepare (int numChannels, int maxBlockSize, double sampleRate);

    /** Clears the oversamplers' filter histories and both holds. Does not allocate: the audio
        thread may call it, and so may the message thread while processing is suspended. */
    void reset() noexcept;

    /** Measures one block on the audio thread. The holds only grow while playing is true; a
        block with playing false sets both to 0. Blocks longer than the prepared size are
        measured in chunks of the prepared size. Never allocates, locks or waits. */
    void process (const juce::AudioBuffer<float>& buffer, bool playing) noexcept KALVORIN_NONBLOCKING;

    /** Reads the sample-peak hold and clears it in one step (editor's timer thread). */
    float takeSamplePeakHold() noexcept     { return samplePeakHold.exchange (0.0f); }

    /** Reads the true-peak hold and clears it in one step (editor's timer thread). */
    float takeTruePeakHold() noexcept       { return truePeakHold.exchange (0.0f); }

    /** Highest sample magnitude since the editor last read it. Raised by the audio thread with
        compare-and-swap, cleared by the editor with an exchange with 0. */
    std::atomic<float> samplePeakHold { 0.0f };

    /** Highest true peak (never below the sample peak of the same block) since the editor last
        read it. Same two writers as samplePeakHold. */
    std::atomic<float> truePeakHold { 0.0f };

private:
    using Oversampler = juce::dsp::Oversampling<float>;

    /** Raises an atomic hold to value; a hold cleared meanwhile by the reader takes the new value. */
    static void raiseHold (std::atomic<float>& hold, float value) noexcept;

    /** True peak of one channel's block, walked in chunks the oversampler was sized for. */
    float measureChannelTruePeak (Oversampler& oversampler, const float* samples, int numSamples) noexcept;

    // Written by prepare() only.
    double sampleRate = 0.0;
    int numChannels = 0;

    // One oversampler per channel, so that each channel's filter history runs on by itself.
    // The filter state is audio-thread state between prepare() calls.
    std::vector<std::unique_ptr<Oversampler>> oversamplers;

    // Largest chunk handed to an oversampler at once; the oversamplers' buffers hold exactly this.
    int maxBlockSize = 1;

    // One chunk of one channel with non-finite samples replaced by 0 (audio thread).
    juce::AudioBuffer<float> scratch;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TruePeakMeter)
};
