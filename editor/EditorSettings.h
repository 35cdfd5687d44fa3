#pragma once

#include "engine/SettingsStore.h"
#include "tab/views/BandDisplayBase.h"

/**
    The editor's settings in section "General" of the processor's SettingsStore: the meter units,
    the playback-history settings and the plot style, read on every timer tick (which is how the
    settings dialog's changes take effect), and the level-match mode, written by the tabs' switch.

    Every reading turns a missing, empty or malformed value into a harmless one. Message thread.
*/
struct EditorSettings final
{
    EditorSettings() = delete;

    static constexpr const char* kLeftMeterUnitKey = "LevelMeterUnit_1";
    static constexpr const char* kRightMeterUnitKey = "LevelMeterUnit_2";
    static constexpr const char* kHistoryEnabledKey = "PlaybackHistoryEnabled";
    static constexpr const char* kHistorySecondsKey = "PlaybackHistorySeconds";
    static constexpr const char* kPlotStyleKey = "AnalyzerPlotStyle";
    static constexpr const char* kLevelMatchModeKey = "LevelMatchMode";

    static constexpr int kDefaultLeftMeterUnit = 2;
    static constexpr int kDefaultRightMeterUnit = 0;
    /** The shortest playback history, and its length when the setting is empty or no number. */
    static constexpr double kMinHistorySeconds = 10.0;
    /** The longest playback history: its memory grows with the length, and an hour is what it
        is sized for. A longer stored length (a hand-edited file) reads as an hour. */
    static constexpr double kMaxHistorySeconds = 3600.0;
    /** The plot style's text when the setting is missing. */
    static constexpr const char* kDefaultStyleText = "Bars";
    /** The text that selects the Lines plot style (matched exactly). */
    static constexpr const char* kLinesStyleText = "Lines";

    /** The two meter units (codes of MeterUnit) of every readout panel. */
    struct MeterUnits
    {
        int left = kDefaultLeftMeterUnit;
        int right = kDefaultRightMeterUnit;

        bool operator== (const MeterUnits& other) const noexcept { return left == other.left && right == other.right; }
        bool operator!= (const MeterUnits& other) const noexcept { return ! operator== (other); }
    };

    /** The playback-history settings. */
    struct History
    {
        bool enabled = true;
        double seconds = kMinHistorySeconds;
    };

    /** The meter units: a value outside 1..4 (text that is no number reads 0) becomes TRUE PEAK
        (0), and equal units are separated as the meter panel separates them. */
    static MeterUnits readMeterUnits (const SettingsStore& store);

    /** Whether the history records (missing or unrecognised text: yes) and how many seconds it
        keeps (empty text, no number or less than kMinHistorySeconds: kMinHistorySeconds). */
    static History readHistory (const SettingsStore& store);

    /** Lines for exactly "Lines", Bars for anything else (the default). */
    static BandDisplayBase::PlotStyle readPlotStyle (const SettingsStore& store);

    /** Stores the level-match mode and saves the whole file; returns whether the file was
        written. */
    static bool saveLevelMatchMode (SettingsStore& store, int mode);
};
