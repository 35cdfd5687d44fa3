#pragma once

#include <atomic>
#include <limits>

/** The meter values processBlock publishes on every block, read by the editor's timer.

    Written by the audio thread (and set to NaN by prepareToPlay, and for the Reference when the
    last Reference goes or the state is restored); read on the message thread.
*/
struct MeterReadings
{
    static constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

    /** Short-term (3 s) loudness of the Reference in LUFS; minus infinity for silence. */
    std::atomic<float> referenceShortTermLufs { kNoValue };
    /** Short-term loudness of the Source in LUFS. */
    std::atomic<float> sourceShortTermLufs { kNoValue };
    /** RMS of the Reference's last second in dB (floor -100). */
    std::atomic<float> referenceRmsDb { kNoValue };
    /** RMS of the Source's last second in dB. */
    std::atomic<float> sourceRmsDb { kNoValue };

    void clear() noexcept
    {
        clearReference();
        sourceShortTermLufs.store (kNoValue);
        sourceRmsDb.store (kNoValue);
    }

    void clearReference() noexcept
    {
        referenceShortTermLufs.store (kNoValue);
        referenceRmsDb.store (kNoValue);
    }
};
