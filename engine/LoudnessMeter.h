#pragma once

#include "RealtimeAnnotations.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <vector>

/** One bin of the integrated-loudness histogram: the gating blocks whose loudness fell into a
    0.01 LU wide slice. Only sums are kept, so the measurement can run for hours without growing.
*/
struct HistogramBin
{
    /** Sum of the mean-square powers of the blocks in this bin. */
    double powerSum = 0.0;

    /** Number of blocks in this bin. */
    std::uint64_t count = 0;
};

//==============================================================================
/**
    Measures the loudness of one signal after ITU-R BS.1770: momentary loudness over 400 ms,
    short-term loudness over 3 s and gated integrated loudness (absolute gate at -70 LUFS,
    relative gate 10 LU below the mean of the blocks that pass the absolute gate).

    The signal is K-weighted (a high shelf followed by a high-pass, both biquads in double
    precision), the per-sample power summed over at most two channels is kept in a ring that
    covers the short-term window, and two running sums slide over it. Every 100 ms of gated
    audio a 400 ms block is put into a histogram of 0.01 LU bins, from which the integrated
    loudness is recomputed in time independent of how long the measurement has run.

    Threads: prepare runs on the message thread while processing is stopped; process,
    resetWindows and resetIntegrated run on the audio thread (or on the message thread while
    processing is suspended). The three published readings are atomics that any thread may read.
*/
class LoudnessMeter final
{
public:
    /** Coefficients of one biquad, normalised so that a0 = 1. */
    struct BiquadCoefficients
    {
        double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
    };

    /** The two stages of the K-weighting filter. */
    struct KWeighting
    {
        /** The high shelf that models the acoustic effect of the head. */
        BiquadCoefficients shelf;

        /** The high-pass (RLB weighting); its numerator is always 1, -2, 1. */
        BiquadCoefficients highPass;
    };

    static constexpr double kMomentarySeconds = 0.4;
    static constexpr double kShortTermSeconds = 3.0;
    static constexpr double kGatingHopSeconds = 0.1;
    static constexpr double kAbsoluteGateLufs = -70.0;
    static constexpr double kRelativeGateFactor = 0.1;       // -10 LU in power
    static constexpr double kLoudnessOffsetDb = -0.691;      // BS.1770's calibration offset
    static constexpr double kSilenceFloorPower = 1.0e-15;    // mean power that reads as silence
    static constexpr double kBinsPerLu = 100.0;
    static constexpr int kNumHistogramBins = 14001;           // -70 LUFS up to +70 LUFS and above
    static constexpr int kMaxChannels = 2;
    static constexpr double kDefaultSampleRate = 48000.0;

    static constexpr double kShelfFrequency = 1681.974450955533;
    static constexpr double kShelfQ = 0.7071752369554196;
    static constexpr double kShelfHighGain = 1.5848647011308556;
    static constexpr double kShelfBandGain = 1.2587209302325617;
    static constexpr double kHighPassFrequency = 38.13547087602444;
    static constexpr double kHighPassQ = 0.5003270373238773;

    /** Builds the histogram; the meter does nothing until prepare is called.
        Message thread.
    */
    LoudnessMeter();

    /** Computes the filters and window lengths for the rate and clears every window and the
        integrated measurement. Measures at most two channels. A rate that is not finite or not
        above twice the shelf frequency (about 3.4 kHz) cannot be K-weighted: the meter is then
        left unprepared, process does nothing and all readings are NaN.
        Message thread, while processing is stopped; allocates.
    */
    void prepare (int numChannels, double sampleRate);

    /** Clears the filters, the ring and the two sliding windows; the short-term and momentary
        readings become NaN. The integrated measurement is kept.
        Audio thread (or message thread while processing is suspended); never allocates.
    */
    void resetWindows() noexcept;

    /** Clears the integrated measurement only; its reading becomes NaN.
        Audio thread (or message thread while processing is suspended); never allocates.
    */
    void resetIntegrated() noexcept;

    /** Clears the windows and the integrated measurement: all three readings become NaN.
        Same threads as resetWindows; never allocates.
    */
    void reset() noexcept;

    /** Measures one block. With gating true the block's samples count towards the integrated
        loudness. Samples that are not finite count as 0. Channels beyond the prepared count are
        ignored. Audio thread; never allocates, locks or waits.
    */
    void process (const juce::AudioBuffer<float>& buffer, bool gating) noexcept KALVORIN_NONBLOCKING;

    /** The K-weighting coefficients for a sample rate, in double precision. At 48 kHz they are
        the tabulated BS.1770 values. Any thread.
    */
    static KWeighting makeKWeighting (double sampleRate) noexcept;

private:
    //==============================================================================
    /** A running sum that keeps the rounding error of its additions in a second term
        (Neumaier's variant of Kahan summation, which also holds when an added value
        outweighs the sum).
    */
    struct CompensatedSum
    {
        double sum = 0.0;
        double compensation = 0.0;

        void add (double value) noexcept
        {
            const double total = sum + value;

            // The smaller operand loses low bits in the addition; recover them exactly.
            if (std::abs (sum) >= std::abs (value))
                compensation += (sum - total) + value;
            else
                compensation += (value - total) + sum;

            sum = total;
        }

        double value() const noexcept { return sum + compensation; }
    };

    template <int NumChannels>
    void measure (const float* const* channelData, int numSamples, bool gating) noexcept;

    void evaluateGatingBlock (bool windowFull, double blockPower) noexcept;
    void addGatingBlock (double blockPower) noexcept;
    float computeGatedLoudness() const noexcept;
    void publishWindows() noexcept;

    static float powerToLufs (double meanPower) noexcept;

    //==============================================================================
    // Integrated measurement (audio thread).
    double absoluteGatePower;
    std::vector<HistogramBin> histogram;
    double gatedSum = 0.0;
    std::uint64_t gatedCount = 0;
    int maxBin = 0;
    float integratedLufs;
    int hop = 1;
    int countdown = 1;

public:
    /** The integrated loudness in LUFS after the last gating block; NaN while no block has
        passed the gates since the last reset. Written by the audio thread, read by any thread.
    */
    std::atomic<float> integratedLufsOut;

private:
    double sampleRate = kDefaultSampleRate;
    int numChannels = kMaxChannels;

public:
    /** Length of the short-term window (and of the ring) in samples.
        Written by prepare; read on the audio thread.
    */
    int shortTermLength = 1;

private:
    int momentaryLength = 1;
    int writeIndex = 0;

public:
    /** Number of valid entries in the short-term window, at most shortTermLength; the window is
        full when filled >= shortTermLength. Written and read on the audio thread.
    */
    int filled = 0;

private:
    KWeighting kWeighting;
    double filterState[kMaxChannels][4] = {};   // shelf s0, s1, then high-pass s2, s3
    std::vector<double> ring;
    // The running sums add and subtract every sample. As plain sums they would pile up
    // rounding error over hours, and a very loud passage would leave a residue of its
    // cancelled power that swamps a quiet passage after it (or keeps silence from reading
    // minus infinity). CompensatedSum carries the rounding error of every addition along, so
    // each sum stays at the rounding level of its exact window sum; what is left grows only
    // with the square of the rounding unit times the running time, which stays negligible
    // for any session, at constant cost per sample.
    CompensatedSum shortTermSum;
    CompensatedSum momentarySum;

public:
    /** The short-term (3 s) loudness in LUFS after the last block: minus infinity while the
        window holds no power, NaN before the first block after a reset of the windows.
        Written by the audio thread, read by any thread.
    */
    std::atomic<float> shortTermLufs;

    /** The momentary (400 ms) loudness in LUFS after the last block, with the same conventions
        as shortTermLufs. Written by the audio thread, read by any thread.
    */
    std::atomic<float> momentaryLufs;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LoudnessMeter)
};
