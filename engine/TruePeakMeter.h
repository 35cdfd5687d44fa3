#pragma once

#include "RealtimeAnnotations.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <atomic>
#include <vector>

/**
    Measures the sample peak and the 4x-oversampled true peak of one signal, block by block,
    and keeps the highest of each since the editor last looked.

    The audio thread raises the two holds; the editor's timer reads and clears them with
    an atomic exchange, so a peak that happens between two timer ticks is never lost.
    All peaks are linear magnitudes where 1.0 is full scale.

    The oversampling is the framework's: two cascaded 2x half-band equiripple FIR stages of
    maximum quality, designed by juce::dsp::FilterDesign exactly as juce::dsp::Oversampling
    designs them. Each stage's odd outputs are its input, delayed, times the centre tap (0.5 of
    an input scaled by 2), so only the even outputs need the filter; they are computed on a
    linear buffer of the stage's input, sixteen outputs at a time, with every output's sum
    taken in the same order as the framework takes it. The readings are therefore the same, bit
    for bit, as those of juce::dsp::Oversampling, at a fraction of its cost.
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

    /** Designs the two stages and sizes one oversampling history per channel for blocks of up
        to maxBlockSize samples, and clears both holds. Allocates: call from prepareToPlay (or
        any thread while no block runs). */
    void prepare (int numChannels, int maxBlockSize, double sampleRate);

    /** Clears the oversampling histories and both holds. Does not allocate: the audio
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
    /** One 2x half-band stage: its even outputs are sum over j = 0 ... order of
        (v[i - 2 order - 1 + j] + v[i - j]) x taps[j], its odd outputs v[i - order] x centre,
        where v is the stage's input times 2. */
    struct HalfBandStage
    {
        std::vector<float> taps;    // the non-zero taps of the first half, order + 1 of them
        float centre = 0.5f;        // the centre tap
        int order = 0;              // the design's n: the filter has 4 n + 3 taps

        /** Input samples of the past that the next output still needs. */
        int historyLength() const noexcept     { return 2 * order + 1; }
    };

    /** The two stages' inputs for one channel: the history, then the current chunk, times 2. */
    struct ChannelHistory
    {
        std::vector<float> firstStage;      // historyLength() + maxBlockSize values
        std::vector<float> secondStage;     // historyLength() + 2 maxBlockSize values
    };

    /** Raises an atomic hold to value; a hold cleared meanwhile by the reader takes the new value. */
    static void raiseHold (std::atomic<float>& hold, float value) noexcept;

    /** Designs one stage as juce::dsp::Oversampling does for the given cascade position. */
    static HalfBandStage designStage (int position);

    /** True peak of one channel's block, walked in chunks of at most maxBlockSize samples. */
    float measureChannelTruePeak (ChannelHistory& history, const float* samples, int numSamples) noexcept;

    /** Oversamples one chunk already written (times 2) into the first stage's history and
        returns the largest magnitude of its kOversamplingFactor x length outputs. */
    float oversampleChunk (ChannelHistory& history, int length) noexcept;

    // Written by prepare() only.
    double sampleRate = 0.0;
    int numChannels = 0;
    HalfBandStage firstStage, secondStage;

    // Largest chunk oversampled at once; the histories hold exactly this after their past.
    int maxBlockSize = 1;

    // One history per channel, so that each channel's filters run on by themselves. Audio-thread
    // state between prepare() calls.
    std::vector<ChannelHistory> histories;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TruePeakMeter)
};
