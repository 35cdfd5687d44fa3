#pragma once

#include "engine/BandStereoAnalyser.h"

#include <array>
#include <limits>
#include <vector>

/**
    One record of both signals' measurements at one moment, assembled by the editor on each
    timer tick. The editor keeps a live one and one for the recorded moment shown while playback
    is stopped; the playback history is a double-ended queue of them.

    A plain, copyable value that owns its lists. A default-constructed snapshot is the empty
    record. Message thread only.
*/
struct AnalysisSnapshot
{
    /** Number of band differences: bands of a thirtieth of a decade from 20 Hz to 20 kHz. */
    static constexpr int kNumDifferenceBands = 30;

    /** Number of band results: Reference LOW, MID, HIGH, then Source LOW, MID, HIGH. */
    static constexpr int kNumBandResults = 2 * kNumStereoBands;

    /** Marks a band difference that was not measured. */
    static constexpr float kNotMeasured = std::numeric_limits<float>::quiet_NaN();

    using BandDifferences = std::array<float, (size_t) kNumDifferenceBands>;
    using BandResultSet = std::array<BandResult, (size_t) kNumBandResults>;

    /** Playhead of the active Reference in seconds. */
    double playheadSeconds = 0.0;

    /** Recorded playing time (seconds) at which a history entry was taken; 0 otherwise. */
    double timeStamp = 0.0;

    /** Weight of a history entry: the timer interval in seconds when it was taken; 0 otherwise. */
    double durationSeconds = 0.0;

    /** Loudness-normalised level difference, Reference minus Source, per band in dB;
        kNotMeasured where not measured. */
    BandDifferences bandDifferenceDb = makeUnmeasuredDifferences();

    /** The band results that entered the band differences (same order as bands); all zero
        when none. */
    BandResultSet measuredBands {};

    /** Whether the band differences were computed for this entry. */
    bool bandDifferencesValid = false;

    /** Short-term loudness of the Reference, LUFS. */
    float referenceShortTermLufs = 0.0f;

    /** Short-term loudness of the Source, LUFS. */
    float sourceShortTermLufs = 0.0f;

    /** Whether the processor's level matching measured both signals. */
    bool levelMatchActive = false;

    /** Copy of the processor's band snapshot: Reference LOW, MID, HIGH, then Source LOW, MID, HIGH. */
    BandResultSet bands {};

    /** Magnitudes of the Reference and Source spectra. */
    std::vector<float> referenceSpectrum;
    std::vector<float> sourceSpectrum;

    /** Sample rates that belong to the spectra; 0 when there is none. */
    double referenceSampleRate = 0.0;
    double sourceSampleRate = 0.0;

    /** Stereo points of the Reference and the Source, left and right channel. */
    std::vector<float> referenceLeft, referenceRight;
    std::vector<float> sourceLeft, sourceRight;

    /** Peak-history series in dB, oldest first. */
    std::vector<float> referencePeakSeries;
    std::vector<float> sourcePeakSeries;

private:
    static BandDifferences makeUnmeasuredDifferences() noexcept
    {
        BandDifferences differences;
        differences.fill (kNotMeasured);
        return differences;
    }
};
