#pragma once

#include <juce_graphics/juce_graphics.h>

#include <limits>
#include <utility>

/** The quantity of one readout of the meter panel (settings "LevelMeterUnit_1" and
    "LevelMeterUnit_2"). Codes outside 0..4 are shown as TruePeak. */
enum class MeterUnit : int
{
    /** Held true peak, dB ("TRUE PEAK / dBTP"). */
    TruePeak = 0,
    /** RMS of the last second, dB ("RMS LEVEL"). */
    Rms = 1,
    /** Short-term loudness, LUFS ("SHORT-TERM LUFS"). */
    LufsShortTerm = 2,
    /** Integrated loudness, LUFS ("INTEGRATED LUFS"). */
    LufsIntegrated = 3,
    /** Held sample peak, dB ("PEAK / dBFS"). */
    Peak = 4
};

/**
    What the meter panel writes for its readings: the unit names, the value and gain texts,
    the status line and the colours of each, decided from the readings alone.

    Pure functions of their arguments (no display, no state); any thread.
*/
struct MeterText final
{
    MeterText() = delete;

    /** Readings at or below this show as no reading ("--"). */
    static constexpr float kLowestShownDb = -90.0f;

    /** The text of a readout without a reading. */
    static constexpr const char* kNoReading = "--";

    /** The status line while the host transport is stopped. */
    static constexpr const char* kStopped = "STOPPED";

    /** The status line while level matching waits for both signals. */
    static constexpr const char* kWaiting = "Waiting / holding";

    /** The panel's readings of one signal, in dB or LUFS; NaN for no reading. */
    struct SignalReadings
    {
        float shortTermLufs = std::numeric_limits<float>::quiet_NaN();
        float rmsDb = std::numeric_limits<float>::quiet_NaN();
        /** Held true peak. */
        float truePeakDb = std::numeric_limits<float>::quiet_NaN();
        /** Held sample peak. */
        float peakDb = std::numeric_limits<float>::quiet_NaN();
        float integratedLufs = std::numeric_limits<float>::quiet_NaN();
        /** The gain level matching applies to the signal. */
        float gainDb = 0.0f;
    };

    /** The unit a code stands for: 0..4 as listed, any other code TruePeak. */
    static MeterUnit unitFromCode (int code) noexcept;

    /** Makes two unit codes differ: an unknown code counts as TRUE PEAK, and when both name the
        same unit the right one becomes TRUE PEAK (for RMS, LUFS-S and LUFS-I on the left) or
        LUFS-S (for TRUE PEAK and PEAK on the left). Returns (left, right). */
    static std::pair<int, int> separateUnits (int leftCode, int rightCode) noexcept;

    /** The row name a readout shows above its value, e.g. "TRUE PEAK / dBTP". */
    static juce::String rowName (MeterUnit unit);

    /** The reading of the unit's quantity among one signal's readings (TruePeak for unknown
        units). */
    static float readingFor (MeterUnit unit, const SignalReadings& readings) noexcept;

    /** The value with one decimal place, while playing (always for LUFS-I) and when it is
        finite and above kLowestShownDb; "--" otherwise. Never "nan" or "inf". */
    static juce::String valueText (MeterUnit unit, float value, bool playing);

    /** Amber (ThemePalette::warning) for a true or sample peak above 0 dB while playing,
        the primary text colour otherwise. */
    static juce::Colour valueColour (MeterUnit unit, float value, bool playing) noexcept;

    /** "Gain +0.0 dB", "Gain -3.5 dB"; "Gain -- dB" when the gain is not finite. */
    static juce::String gainText (float gainDb);

    /** Amber while playing when the held true peak plus the gain is above 0 dB, the secondary
        text colour otherwise. */
    static juce::Colour gainColour (float gainDb, float truePeakDb, bool playing) noexcept;

    /** "STOPPED" while stopped; "Waiting / holding" while playing in an active level-match mode
        (1 or 2) that is not ready; empty otherwise. */
    static juce::String statusText (bool playing, int levelMatchMode, bool levelMatchReady);
};
