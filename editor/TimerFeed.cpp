#include "editor/TimerFeed.h"

#include "tab/DisplayHost.h"

namespace
{
constexpr int kMsPerSecond = 1000;
} // namespace

TimerFeed::TimerFeed (KalvorinAudioProcessor& processor)
    : reader (processor)
{
}

TimerFeed::~TimerFeed() = default;

int TimerFeed::rateForView (std::optional<int> viewMode) noexcept
{
    if (! viewMode.has_value())
        return kNoTabRateHz;

    // The goniometer's cloud moves with every block; the peak history scrolls slowly.
    switch (*viewMode)
    {
        case static_cast<int> (ViewMode::Stereo):  return kStereoRateHz;
        case static_cast<int> (ViewMode::History): return kHistoryRateHz;
        default:                                   return kOtherViewRateHz;
    }
}

int TimerFeed::intervalMsForRate (int rateHz) noexcept
{
    return kMsPerSecond / juce::jmax (rateHz, 1);
}

std::optional<int> TimerFeed::takeIntervalChange (std::optional<int> viewMode)
{
    const auto rate = rateForView (viewMode);

    if (rate == timerRateHz)
        return std::nullopt;

    timerRateHz = rate;
    return intervalMsForRate (rate);
}

std::optional<EditorSettings::MeterUnits> TimerFeed::takeChangedMeterUnits (const SettingsStore& store)
{
    const auto units = EditorSettings::readMeterUnits (store);

    if (units == meterUnits)
        return std::nullopt;

    meterUnits = units;
    return units;
}

void TimerFeed::readMeters (int timerIntervalMs)
{
    lastReading = reader.readMeters();

    // Holds restart from the first reading after play, like a meter reset by the transport.
    if (! lastReading.playing)
    {
        truePeakHold.clear();
        samplePeakHold.clear();
        return;
    }

    truePeakHold.update (lastReading.referenceTruePeakDb, lastReading.sourceTruePeakDb, timerIntervalMs);
    samplePeakHold.update (lastReading.referenceSamplePeakDb, lastReading.sourceSamplePeakDb, timerIntervalMs);
}

ABMeters::Values TimerFeed::meterValues() const noexcept
{
    ABMeters::Values values;
    values.transportPlaying = lastReading.playing;
    values.referenceIntegratedLufs = lastReading.referenceIntegratedLufs;
    values.sourceIntegratedLufs = lastReading.sourceIntegratedLufs;
    values.referenceShortTermLufs = lastReading.referenceShortTermLufs;
    values.sourceShortTermLufs = lastReading.sourceShortTermLufs;
    values.referenceRmsDb = lastReading.referenceRmsDb;
    values.sourceRmsDb = lastReading.sourceRmsDb;
    values.referenceTruePeakDb = truePeakHold.referenceDb;
    values.sourceTruePeakDb = truePeakHold.sourceDb;
    values.referencePeakDb = samplePeakHold.referenceDb;
    values.sourcePeakDb = samplePeakHold.sourceDb;
    values.referenceGainDb = lastReading.referenceGainDb;
    values.sourceGainDb = lastReading.sourceGainDb;
    values.levelMatchReady = lastReading.levelMatchReady;
    return values;
}

void TimerFeed::updateLiveSnapshot (AnalysisSnapshot& live)
{
    reader.copySpectra (live);
    reader.copyStereoPoints (live);

    // The series take the new readings, not the held values, so they show every tick's peak.
    peakSeries.append (lastReading.referenceTruePeakDb, lastReading.sourceTruePeakDb);
    peakSeries.copyTo (live.referencePeakSeries, live.sourcePeakSeries);
}

void TimerFeed::clearPeakSeries()
{
    peakSeries.clear();
}
