#pragma once

#include <limits>

/**
    The held true-peak or sample-peak readout of both signals for the meter panel: a reading is
    held 250 ms after it was last raised, then falls at 10 dB per second and is dropped at
    -90 dB; the editor empties it while the transport is stopped.

    A plain value; message thread only.
*/
struct PeakHold
{
    /** Time a raised value is held before it falls. */
    static constexpr int kHoldMs = 250;
    /** Fall rate after the hold time. */
    static constexpr float kFallDbPerSecond = 10.0f;
    /** Readings at or below this count as none; held values at or below it are dropped. */
    static constexpr float kFloorDb = -90.0f;
    /** A held value of nothing. */
    static constexpr float kNothingHeld = std::numeric_limits<float>::quiet_NaN();

    /** Held Reference value in dB; kNothingHeld for none. */
    float referenceDb = kNothingHeld;
    /** Held Source value in dB; kNothingHeld for none. */
    float sourceDb = kNothingHeld;
    /** Time since the Reference value was last raised, capped at kHoldMs. */
    int referenceHoldMs = 0;
    /** Time since the Source value was last raised, capped at kHoldMs. */
    int sourceHoldMs = 0;

    /** Advances both held values by one timer step with the new readings in dB (NaN for none);
        stepMs is the timer's configured interval, clamped to 1..1000. */
    void update (float referenceReadingDb, float sourceReadingDb, int stepMs) noexcept;

    /** Holds nothing: both values kNothingHeld, both hold times 0. */
    void clear() noexcept;

    /** Advances one held value and its hold time by one step with a new reading. */
    static void advance (float& heldDb, int& holdMs, float readingDb, int stepMs) noexcept;
};
