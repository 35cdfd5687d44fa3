#pragma once

#include "editor/LoopPassAccumulator.h"
#include "editor/SpectrumBands.h"
#include "tab/SignalDisplay.h"

#include <juce_core/juce_core.h>

/** What identifies the active loop of a Reference tab: the file, the loop's index and its
    edges. A key is valid when loops are shown and the active loop exists and has a length;
    an invalid key has start and end 0. */
struct LoopKey
{
    juce::String path;
    int loopIndex = 0;
    double start = 0.0, end = 0.0;
    bool valid = false;
};

/**
    The editor's tracking of complete passes of the active loop: the key that identifies the
    loop, the pass being recorded and the last completed one.

    The measurements first settle inside the loop (warm-up); the first wrap after that starts
    recording a pass, and each later wrap completes one and starts the next. A completed pass
    is kept for the written analysis; anything that changes the loop empties the passes.
    A plain value fed by the editor's timer tick and seek handler; message thread only.
*/
struct LoopPassState final
{
    /** Warm-up time inside the loop after which a wrap starts recording (3 s of measurement
        windows, with room for the sum of many ticks falling just short). */
    static constexpr double kWarmupSeconds = 2.999999;
    /** Time the measurement windows need, as the status text names it. */
    static constexpr double kMeasurementWindowSeconds = 3.0;
    /** A backward move of the playhead by more than this is a jump. */
    static constexpr double kBackwardJumpSeconds = 0.001;
    /** A wrap target farther than this from the loop start belongs to another loop. */
    static constexpr double kWrapTargetToleranceSeconds = 0.001;
    /** A playhead this close below the loop start still counts as inside. */
    static constexpr double kBeforeStartToleranceSeconds = 0.001;
    /** A playhead up to this far past the loop end still counts as inside (the waveform's
        jump back arrives a little late). */
    static constexpr double kPastEndToleranceSeconds = 0.15;
    /** A pass completes only when the playhead reached the loop end within this. */
    static constexpr double kPassEndToleranceSeconds = 0.0001;
    /** A clean wrap may miss the loop's edges by two ticks, at least 0.05 s and at most a
        quarter of the loop (a tick may fall just before the end or just after the start). */
    static constexpr double kWrapToleranceTicks = 2.0;
    static constexpr double kMinimumWrapToleranceSeconds = 0.05;
    static constexpr double kMaximumWrapToleranceShare = 0.25;
    /** A pass needs a quarter of the loop in matched time, but never more than 0.5 s. */
    static constexpr double kMinimumPassShare = 0.25;
    static constexpr double kMinimumPassCapSeconds = 0.5;

    /** The key of a tab's active loop from what its waveform display holds. */
    static LoopKey computeLoopKey (const juce::String& path, bool loopsVisible, int activeLoopIndex,
                                   const juce::Array<LoopRegion>& loops);

    /** The key as stored. */
    LoopKey getKey() const;

    /** Whether a key equals the stored one: same path, index and validity and, for a valid
        key, exactly the same edges (a NaN edge always differs). */
    bool hasKey (const LoopKey& key) const noexcept;

    /** Stores a new key and empties everything: both passes, the counter and the tracking. */
    void resetLoopPasses (const LoopKey& key);

    /** Abandons the running pass and the warm-up; the key, the last completed pass and the
        counter stay. */
    void restartPass() noexcept;

    /** One playing tick with a valid key: wrap detection, the loop range, warm-up and the
        recording of the running pass. position is the playhead the timer read; dt the timer
        interval in seconds; comparison this tick's band comparison. */
    void trackLoopPass (double position, double dt, const BandComparison& comparison) noexcept;

    /** Ends the running pass at a wrap to targetSeconds, with the playhead at positionSeconds
        just before it. A recorded pass that reached the loop end with enough matched time
        becomes the last completed pass; the next pass records when the warm-up is done and
        the last tick was matched. Does nothing for a target other than the loop start. */
    void closeLoopPass (double targetSeconds, double positionSeconds) noexcept;

    /** Matched time a pass needs: min(0.25 x loop length, 0.5 s). */
    double getMinimumPassSeconds() const noexcept;

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
