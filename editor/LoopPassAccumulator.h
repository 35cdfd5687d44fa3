#pragma once

#include "editor/AnalysisSnapshot.h"

#include <juce_core/juce_core.h>

#include <array>

/**
    The time-weighted comparison of the two signals over one pass of the active loop (or over
    the playback history): 155 doubles of seconds or dB x seconds; all zero means empty. The
    advice text is written from it. A plain value; message thread only.
*/
struct LoopPassAccumulator
{
    /** One band of a thirtieth of a decade (band i spans 20 x 1000^(i/30) to
        20 x 1000^((i+1)/30) Hz). */
    struct TonalBand
    {
        /** Sum of difference x dt. */
        double diffSum = 0.0;
        /** Sum of dt with a finite difference. */
        double seconds = 0.0;
        /** Time with a difference of +3 dB or more. */
        double aboveSeconds = 0.0;
        /** Time with a difference of -3 dB or less. */
        double belowSeconds = 0.0;
    };

    /** One stereo band (LOW, MID, HIGH); differences are Reference minus Source. */
    struct StereoBand
    {
        /** Sum of width difference x dt, percentage points. */
        double widthDiffSum = 0.0;
        double widthSeconds = 0.0;
        /** Time with a width difference of +5 or more. */
        double widthAboveSeconds = 0.0;
        /** Time with a width difference of -5 or less. */
        double widthBelowSeconds = 0.0;
        /** Sum of crest difference x dt, dB. */
        double crestDiffSum = 0.0;
        double crestSeconds = 0.0;
        /** Time with a crest difference of +2 dB or more. */
        double crestAboveSeconds = 0.0;
        /** Time with a crest difference of -2 dB or less. */
        double crestBelowSeconds = 0.0;
        /** Time with a finite Source correlation. */
        double sourceCorrelationSeconds = 0.0;
        /** Time with a negative Source correlation. */
        double sourceNegativeSeconds = 0.0;
        /** Time with a negative Reference correlation. */
        double referenceNegativeSeconds = 0.0;
    };

    /** Recorded time inside the loop. */
    double totalSeconds = 0.0;
    /** Of it, time with band differences. */
    double matchedSeconds = 0.0;
    /** Per tonal band. */
    std::array<TonalBand, (size_t) AnalysisSnapshot::kNumDifferenceBands> tonalBands {};
    /** Per stereo band, LOW, MID, HIGH. */
    std::array<StereoBand, (size_t) kNumStereoBands> stereoBands {};

    /** A tonal band counts as above or below when its difference reaches this many dB. */
    static constexpr double kTonalThresholdDb = 3.0;
    /** A width difference counts as above or below from this many percentage points. */
    static constexpr double kWidthThresholdPoints = 5.0;
    /** A crest difference counts as above or below from this many dB. */
    static constexpr double kCrestThresholdDb = 2.0;

    /** Adds one moment with band differences, weighted by dt seconds: matchedSeconds, every
        band with a finite difference, and every stereo band whose Reference and Source records
        (measuredBands k and 3 + k) are both valid, value by value where finite. totalSeconds is
        the caller's. */
    void addMatchedMoment (const AnalysisSnapshot::BandDifferences& bandDifferenceDb,
                           const AnalysisSnapshot::BandResultSet& measuredBands, double dt) noexcept;

    /** Adds every field of another accumulator to this one. */
    void add (const LoopPassAccumulator& other) noexcept;
};

static_assert (sizeof (LoopPassAccumulator) == 155 * sizeof (double),
               "the accumulator is 155 doubles");
