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
};

static_assert (sizeof (LoopPassAccumulator) == 155 * sizeof (double),
               "the accumulator is 155 doubles");

/**
    The editor's tracking of complete passes of the active loop: the key that identifies the
    loop, the pass being recorded and the last completed one. Message thread only.
*/
struct LoopPassState
{
    /** Full path of the Reference file the loop belongs to. */
    juce::String keyPath;
    /** Index of the loop in its display. */
    int keyLoopIndex = 0;
    /** The loop's start and end in seconds. */
    double keyStart = 0.0, keyEnd = 0.0;
    /** Whether the key names a loop. */
    bool keyValid = false;

    /** The pass being recorded. */
    LoopPassAccumulator running;
    /** The last completed pass. */
    LoopPassAccumulator lastPass;
    /** Number of completed passes. */
    int completedPasses = 0;
    /** The running pass is being recorded. */
    bool recording = false;
    /** The loop was tracked on a playing tick since the last restart. */
    bool trackingActive = false;
    /** The last tick inside the loop had band differences. */
    bool matchedLastTick = false;
    /** Time spent inside the loop since the last restart. */
    double warmupSeconds = 0.0;
    /** Matched time recorded in the running pass. */
    double passSeconds = 0.0;
    /** Playhead of the last tracked tick; -1 for none. */
    double lastPlayhead = -1.0;
    /** Position of the playhead in the loop while recording, 0..1. */
    double progress = 0.0;
};
