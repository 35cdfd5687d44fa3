#pragma once

#include "RealtimeAnnotations.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_dsp/juce_dsp.h>

#include <array>

/** Stereo image and dynamics of one signal in one frequency band, over the last 3 seconds. */
struct BandResult
{
    /** Share of the side signal's energy in percent: 0 for mono, 50 for unrelated channels,
        100 for channels in opposite phase. */
    float widthPercent = 0.0f;

    /** Peak over the RMS of both channels in dB, never below 0. */
    float crestDb = 0.0f;

    /** Correlation of left and right, -1 ... +1; 0 when a channel is silent. */
    float correlation = 0.0f;

    /** True once the window holds 3 s of signal since the last reset and the band's mean level
        is above -70 dBFS. */
    bool valid = false;
};

/** Number of analysis bands; results are always stored LOW, MID, HIGH. */
constexpr int kNumStereoBands = 3;

/** The results of the three bands of one signal, indexed by BandStereoAnalyser::Band. */
using BandResults = std::array<BandResult, (size_t) kNumStereoBands>;

/**
    Band results of both signals as the audio thread last published them. The processor guards
    its copy with a juce::SpinLock that the audio thread only tries and the editor enters.
*/
struct BandSnapshot
{
    /** The Reference's results, LOW, MID, HIGH. */
    BandResults reference {};

    /** The Source's results, LOW, MID, HIGH. */
    BandResults source {};
};

/**
    Describes the stereo image and the dynamics of one signal in three bands, LOW (20-320 Hz),
    MID (320 Hz-3 kHz) and HIGH (3 kHz up to 20 kHz or 0.45 x the sample rate, the lower):
    width, crest factor and correlation over a window of 3 seconds that slides in steps of
    100 ms.

    Each band is an IIR high-pass followed by a low-pass per channel. The six chains (three bands,
    two channels) run side by side as lanes of one small filter bank, so that the compiler can
    keep them in vector registers; every lane computes exactly what the framework's biquad does
    for one sample. Instead of keeping 3 s of audio, the analyser sums energies over groups of
    100 ms and keeps the sums of the last 30 groups, so every result is recomputed from 30 small
    records when a group closes.

    Belongs to the audio thread once prepared; prepare() runs on whatever thread prepares the
    processor while no block is processed.
*/
class BandStereoAnalyser final
{
public:
    /** Index of each band in a BandResults array. */
    enum Band : int { low = 0, mid = 1, high = 2 };

    /** Closed groups that make up the window (30 x 100 ms = 3 s). */
    static constexpr int kHistoryGroups = 30;

    /** Length of one group in seconds. */
    static constexpr double kGroupSeconds = 0.1;

    /** Mean square per sample and channel below which a band is too quiet to judge (-70 dBFS). */
    static constexpr double kValidMeanSquare = 1.0e-7;

    /** Band edges in Hz: LOW from 20 to 320, MID to 3000, HIGH up to the top edge. */
    static constexpr double kLowestEdgeHz = 20.0;
    static constexpr double kLowMidEdgeHz = 320.0;
    static constexpr double kMidHighEdgeHz = 3000.0;
    static constexpr double kHighestEdgeHz = 20000.0;

    /** The top edge never goes above this share of the sample rate. */
    static constexpr double kTopEdgeShareOfRate = 0.45;

    /** The high-pass of a band never goes above this share of the sample rate, which keeps it
        below the band's own low-pass at low sample rates. */
    static constexpr double kHighPassShareOfRate = 0.44;

    /** Creates an analyser whose filters pass everything and whose process() does nothing until
        prepare() has been called. */
    BandStereoAnalyser();
    ~BandStereoAnalyser();

    /** Designs the band filters for sampleRate, sets the group length and clears everything.
        Allocates: call while no block is processed (prepareToPlay). A rate that is not positive
        leaves the analyser unprepared, so process() does nothing. */
    void prepare (double sampleRate);

    /** Clears the sums, the group history, the filter states and the results (audio thread, or
        any thread while no block runs). Never allocates. */
    void reset() noexcept;

    /** Filters and accumulates one block; channel 0 is left, channel 1 right (channel 0 again
        for a one-channel buffer). Updates the results whenever a group closes. Audio thread;
        never allocates, locks or waits. */
    void process (const juce::AudioBuffer<float>& buffer) noexcept KALVORIN_NONBLOCKING;

    /** The results as of the last closed group (audio thread). */
    const BandResults& getResults() const noexcept          { return results; }

    /** Samples per group; 0 while unprepared. */
    int getGroupLength() const noexcept                      { return groupLength; }

    /** Linear gain of one band's filter chain at a frequency, for inspecting where a band
        starts and ends; 1 while unprepared. Any thread while no block runs. */
    double getBandMagnitude (Band band, double frequencyHz) const noexcept;

    /** The result of one band from the sums over its whole window: energies of the left and the
        right channel, their cross product and the largest magnitude, over kHistoryGroups groups
        of groupLength samples. windowFull says whether all those groups were measured. Any
        thread. */
    static BandResult resultFromWindow (double sumLL, double sumRR, double sumLR, double peak,
                                        int groupLength, bool windowFull) noexcept;

private:
    /** Lanes of the filter bank: LOW, MID, HIGH of the left channel, then of the right, then
        two idle lanes that make the bank two full vectors of four. */
    static constexpr int kNumLanes = 8;
    static constexpr int kRightLaneOffset = kNumStereoBands;

    /** One biquad (transposed direct form II) per lane, laid out lane by lane. */
    struct BiquadLanes
    {
        alignas (32) float b0[kNumLanes] {};
        alignas (32) float b1[kNumLanes] {};
        alignas (32) float b2[kNumLanes] {};
        alignas (32) float a1[kNumLanes] {};
        alignas (32) float a2[kNumLanes] {};
        alignas (32) float s1[kNumLanes] {};
        alignas (32) float s2[kNumLanes] {};
    };

    /** The four sums of one group of one band. */
    struct GroupSums
    {
        double sumLL = 0.0;
        double sumRR = 0.0;
        double sumLR = 0.0;
        double peak = 0.0;
    };

    /** Running sums and history of one band. */
    struct BandState
    {
        // Sums of the group being collected.
        double sumLL = 0.0;
        double sumRR = 0.0;
        double sumLR = 0.0;
        double peak = 0.0;

        // The last kHistoryGroups closed groups; unfilled slots are zero.
        std::array<GroupSums, (size_t) kHistoryGroups> groupHistory {};
    };

    /** Filters and accumulates samples [start, start + count) of the two channels; the group
        in progress does not close in between. */
    void accumulate (const float* left, const float* right, int start, int count) noexcept;

    /** Stores every band's group into the history and recomputes its result. */
    void closeGroup() noexcept;

    /** Clears the running sums and the history of one band. */
    static void clearBand (BandState& band) noexcept;

    /** Recomputes one result from the 30 slots of one band's history. */
    BandResult computeResult (const BandState& band, bool windowFull) const noexcept;

    // The designed filters, kept for getBandMagnitude(); the lanes hold copies of their values.
    std::array<juce::dsp::IIR::Coefficients<float>::Ptr, (size_t) kNumStereoBands> highPassDesigns, lowPassDesigns;

    // Audio-thread state: the high-pass and the low-pass of every lane.
    BiquadLanes highPass, lowPass;

    std::array<BandState, (size_t) kNumStereoBands> bands;
    BandResults results {};
    int groupLength = 0;
    int groupSampleCount = 0;
    int groupWriteIndex = 0;
    int groupsFilled = 0;

    // The rate the filters were designed for; 0 while unprepared.
    double sampleRate = 0.0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BandStereoAnalyser)
};
