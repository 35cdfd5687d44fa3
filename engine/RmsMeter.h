#pragma once

#include "RealtimeAnnotations.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <atomic>
#include <limits>
#include <vector>

/**
    Measures the RMS level of one signal over the last second, sample by sample, and publishes
    it in dB once per block.

    Each sample's channel squares are summed (not averaged), so a full-scale sine present in both
    channels reads 0 dB and the same sine in one channel reads -3 dB. Until a full second has
    been measured, the mean is taken over the samples measured so far.
*/
class RmsMeter final
{
public:
    /** Length of the measuring window in seconds. */
    static constexpr double kWindowSeconds = 1.0;

    /** Lowest reading: silence and anything quieter read this, never minus infinity. */
    static constexpr float kFloorDb = -100.0f;

    /** RMS values below this count as silence. */
    static constexpr float kSilenceRms = 1.0e-12f;

    /** Creates an unprepared meter; process() does nothing until prepare() has been called. */
    RmsMeter();
    ~RmsMeter();

    /** Sizes the ring for one second at sampleRate and clears everything; the reading becomes
        NaN. Allocates: call from prepareToPlay (or any thread while no block runs). */
    void prepare (int numChannels, double sampleRate);

    /** Clears the ring, the running sum and the counters; the reading becomes NaN. Does not
        allocate: the audio thread may call it, and so may the message thread while processing
        is suspended. */
    void reset() noexcept;

    /** Measures one block on the audio thread and publishes longRmsDb. Non-finite samples
        count as 0. Never allocates, locks or waits. */
    void process (const juce::AudioBuffer<float>& buffer) noexcept KALVORIN_NONBLOCKING;

    /** The RMS of the last second in dB, floor kFloorDb; NaN before the first measured sample.
        Written by the audio thread once per block, read by any thread. */
    std::atomic<float> longRmsDb { std::numeric_limits<float>::quiet_NaN() };

private:
    /** Ring slot of index, wrapped into 0 .. size-1 also for negative values (C++'s % keeps the
        sign of a negative dividend, which would point before the ring). */
    static int wrapIndex (int index, int size) noexcept;

    void publish() noexcept;

    // Written by prepare() only.
    double sampleRate = 0.0;
    int numChannels = 0;

    // Audio-thread state: one entry per sample, the sum over the channels of the squared samples.
    std::vector<float> ring;
    int capacity = 1;
    int writeIndex = 0;
    int filled = 0;

    // Window length in samples (one second), fixed by prepare().
    int longLength = 0;

    // Running sum of the last longLength ring entries (audio thread).
    double longSum = 0.0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RmsMeter)
};
