#pragma once

#include "editor/AnalysisSnapshot.h"
#include "editor/EditorSettings.h"
#include "editor/EngineReader.h"
#include "editor/PeakHold.h"
#include "editor/PeakSeries.h"
#include "tab/ABMeters.h"

#include <optional>

/**
    What the editor's timer does on each tick, apart from the playback history and the views:
    it chooses the timer's rate from what the current tab shows, reads the engine through its
    EngineReader, keeps the peak holds of the meter panel and the two peak-history series, gives
    the meter panel its values and fills the live AnalysisSnapshot with spectra, stereo points
    and the series. It also remembers the meter units last applied, so that the settings are
    pushed into the tabs only when they change.

    The editor calls, on every tick: takeChangedMeterUnits, takeIntervalChange, readMeters,
    meterValues (with a current tab), updateLiveSnapshot. Message thread only.
*/
class TimerFeed final
{
public:
    /** The rate of each view (ViewMode values), and without a Reference tab. */
    static constexpr int kStereoRateHz = 30;
    static constexpr int kHistoryRateHz = 15;
    static constexpr int kOtherViewRateHz = 24;
    static constexpr int kNoTabRateHz = 12;

    /** The rate the editor's timer starts with. */
    static constexpr int kInitialRateHz = kStereoRateHz;

    /** Reads the given processor, which must outlive the feed. */
    explicit TimerFeed (KalvorinAudioProcessor& processor);
    ~TimerFeed();

    /** The timer rate for the current tab's view mode, or for no Reference tab (nullopt). */
    static int rateForView (std::optional<int> viewMode) noexcept;

    /** The interval passed to juce::Timer::startTimer for a rate: 33, 66, 41 and 83 ms. */
    static int intervalMsForRate (int rateHz) noexcept;

    /** The interval to restart the timer with when the current tab's view (nullopt: no Reference
        tab) needs another rate than the one in force; nullopt when the running timer is right.
        Remembers the new rate. */
    std::optional<int> takeIntervalChange (std::optional<int> viewMode);

    /** The meter units of the settings when they differ from the ones last taken (initially
        LUFS-S and TRUE PEAK), to be applied to every tab; nullopt when nothing changed. */
    std::optional<EditorSettings::MeterUnits> takeChangedMeterUnits (const SettingsStore& store);

    /** The meter units last taken, for a tab built after they were applied. */
    EditorSettings::MeterUnits getMeterUnits() const noexcept { return meterUnits; }

    /** Reads the engine's meters and peaks and advances the four peak holds by the timer's
        configured interval; while the transport is stopped the holds are emptied and the new
        peaks are discarded. */
    void readMeters (int timerIntervalMs);

    /** The meter panel's values from the last readMeters: the readings, the held peaks, the
        level-match gains and state. */
    ABMeters::Values meterValues() const noexcept;

    /** Copies new spectra and stereo points into the live snapshot, appends the last reading's
        true peaks to the peak series and copies both series into the snapshot. */
    void updateLiveSnapshot (AnalysisSnapshot& live);

    /** Empties both peak-history series (a seek by the user while playing). */
    void clearPeakSeries();

    /** The reading of the last readMeters. */
    const EngineMeterReading& getLastReading() const noexcept { return lastReading; }

    /** The held true and sample peaks. */
    const PeakHold& getTruePeakHold() const noexcept { return truePeakHold; }
    const PeakHold& getSamplePeakHold() const noexcept { return samplePeakHold; }

    /** The rate in force, Hz. */
    int getTimerRateHz() const noexcept { return timerRateHz; }

    /** The door to the engine, for the other readings of the tick (band results, playhead,
        the monitored signal). */
    EngineReader& getReader() noexcept { return reader; }

private:
    EngineReader reader;
    PeakHold truePeakHold, samplePeakHold;
    PeakSeries peakSeries;
    EngineMeterReading lastReading;
    int timerRateHz = kInitialRateHz;
    EditorSettings::MeterUnits meterUnits;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TimerFeed)
};
