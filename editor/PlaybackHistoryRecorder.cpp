#include "editor/PlaybackHistoryRecorder.h"

#include <cmath>

namespace
{
const char* const kNoLoopNotice = "No active loop - using Playback History.\n";
const char* const kNothingFoundText = "No relevant differences";

double readSystemClockMs()
{
    return juce::Time::getMillisecondCounterHiRes();
}

bool isInsideAnyRange (const std::vector<RecordedRange>& ranges, double seconds, double tolerance)
{
    for (const auto& range : ranges)
        if (range.start - tolerance <= seconds && seconds <= range.end + tolerance)
            return true;

    return false;
}
}

PlaybackHistoryRecorder::PlaybackHistoryRecorder()
    : PlaybackHistoryRecorder (readSystemClockMs)
{
}

PlaybackHistoryRecorder::PlaybackHistoryRecorder (std::function<double()> clockMs)
    : clock (std::move (clockMs))
{
}

PlaybackHistoryRecorder::~PlaybackHistoryRecorder() = default;

void PlaybackHistoryRecorder::setHistorySettings (bool enabled, double seconds)
{
    const bool wasEnabled = historyEnabled;
    historyEnabled = enabled;
    historySeconds = seconds;

    if (wasEnabled && ! enabled)
    {
        clearPlaybackHistory();
        analysisDirty = true;
    }
}

LoopKey PlaybackHistoryRecorder::computeLoopKey (const AnalysisTabTarget& tab) const
{
    return LoopPassState::computeLoopKey (tab.getFullPath(), tab.areLoopsVisible(), tab.getActiveLoopIndex(),
                                          tab.getLoops());
}

void PlaybackHistoryRecorder::recordPlaybackHistory (AnalysisTabTarget* tab, bool playing, double positionSeconds,
                                                     const AnalysisSnapshot& live, int timerIntervalMs)
{
    if (tab == nullptr)
    {
        loopState.restartPass();
        wasPlaying = playing;
        return;
    }

    const auto path = tab->getFullPath();
    const auto key = computeLoopKey (*tab);
    const bool changed = ! loopState.hasKey (key);

    if (changed)
        loopState.resetLoopPasses (key);

    const double tickSeconds = timerIntervalMs / 1000.0;

    // Band levels of this tick's spectra, measured once for the comparison and the history.
    SpectrumBands::Levels referenceLevels {}, sourceLevels {};
    bool levelsMeasured = false;
    const auto measureLevels = [&]
    {
        if (levelsMeasured)
            return;

        referenceLevels = SpectrumBands::measure (live.referenceSpectrum, live.referenceSampleRate);
        sourceLevels = SpectrumBands::measure (live.sourceSpectrum, live.sourceSampleRate);
        levelsMeasured = true;
    };

    BandComparison comparison;

    if (playing)
    {
        if (historyEnabled || loopState.keyValid)
        {
            measureLevels();
            comparison = SpectrumBands::computeBandDifferences (live, referenceLevels, sourceLevels);
        }

        if (loopState.keyValid)
            loopState.trackLoopPass (positionSeconds, tickSeconds, comparison);
    }
    else if (loopState.keyValid && loopState.trackingActive)
    {
        loopState.restartPass();
    }

    // Stopping inside a loop changes what its status line says.
    const bool refresh = changed || (! playing && loopState.keyValid && wasPlaying);
    const bool usable = historyEnabled && historySeconds > 0.0 && path.isNotEmpty();
    const double playhead = std::isfinite (positionSeconds) ? std::max (positionSeconds, 0.0) : 0.0;

    if (! usable)
    {
        if (! history.isEmpty() || historyPath.isNotEmpty())
        {
            clearPlaybackHistory();
            analysisDirty = true;
        }

        tab->showSnapshot (live, true);

        if (tab->isInspectMarkerShown())
            tab->setInspectMarker (false, 0.0);

        if (tab->hasRecordedRanges())
            tab->setRecordedRanges ({});
    }
    else
    {
        if (historyPath != path)
        {
            clearPlaybackHistory();
            historyPath = path;
        }

        if (playing)
        {
            if (! wasPlaying)
            {
                // Each start of playback begins a new history.
                clearPlaybackHistory();
                historyPath = path;
            }

            inspecting = false;

            if (tab->isInspectMarkerShown())
                tab->setInspectMarker (false, 0.0);

            recordedSeconds += tickSeconds;
            measureLevels();
            history.append (live, referenceLevels, sourceLevels, comparison, playhead, recordedSeconds, tickSeconds);
            analysisDirty = true;
            history.dropOlderThan (recordedSeconds, historySeconds);
            tab->showSnapshot (live, true);
            tab->setRecordedRanges (history.getRecordedRanges());
        }
        else
        {
            auto ranges = history.getRecordedRanges();

            if (playhead != lastRecordedPlayhead && ! history.isEmpty())
            {
                inspecting = isInsideAnyRange (ranges, playhead, kInspectToleranceSeconds);

                if (inspecting)
                    shownSnapshot = history.makeSnapshot (history.findNearest (playhead));
            }

            if (inspecting)
            {
                tab->showSnapshot (shownSnapshot, false);
                tab->setInspectMarker (true, std::max (shownSnapshot.playheadSeconds, 0.0));
            }
            else
            {
                tab->clearDisplays();

                if (tab->isInspectMarkerShown())
                    tab->setInspectMarker (false, 0.0);
            }

            tab->setRecordedRanges (std::move (ranges));
        }
    }

    analysisDirty = analysisDirty || refresh;
    updateAnalysisStatus (*tab, playing && (! changed || ! tab->analysisUsesLoop()));

    if (usable)
        lastRecordedPlayhead = playhead;

    wasPlaying = playing;
}

PlaybackHistoryRecorder::SeekResponse PlaybackHistoryRecorder::handleSeek (AnalysisTabTarget& tab,
                                                                           SignalDisplay::SeekOrigin origin,
                                                                           double seconds, bool playing,
                                                                           double positionBeforeSeek,
                                                                           const AnalysisSnapshot& live,
                                                                           int timerIntervalMs)
{
    const auto key = computeLoopKey (tab);

    if (! loopState.hasKey (key))
    {
        loopState.resetLoopPasses (key);
        analysisDirty = true;
        nextStatusUpdateMs = 0.0;
    }

    if (playing && origin == SignalDisplay::SeekOrigin::LoopWrap)
    {
        // The waveform's own jump back to the loop start: the pass ends at the loop end, and
        // the history simply goes on from the loop start.
        if (loopState.keyValid && loopState.trackingActive)
            loopState.closeLoopPass (seconds, positionBeforeSeek);

        return {};
    }

    if (playing)
    {
        // The user moved the playhead: what was measured before the jump no longer belongs to
        // what plays now.
        loopState.resetLoopPasses (loopState.getKey());
        clearPlaybackHistory();
        historyPath = tab.getFullPath();
        lastRecordedPlayhead = std::isfinite (seconds) ? std::max (seconds, 0.0) : 0.0;
        tab.clearDisplays();
        tab.setRecordedRanges ({});
        wasPlaying = true;
        analysisDirty = true;
        updateAnalysisStatus (tab, false);

        SeekResponse response;
        response.discardLiveMeasurements = true;
        return response;
    }

    // Stopped: show the recorded moment at the new position at once.
    recordPlaybackHistory (&tab, false, seconds, live, timerIntervalMs);
    return {};
}

void PlaybackHistoryRecorder::clearPlaybackHistory()
{
    history.clear();
    analysisDirty = false;
    nextStatusUpdateMs = 0.0;
    recordedSeconds = 0.0;
    lastRecordedPlayhead = -1.0;
    historyPath.clear();
    inspecting = false;
    shownSnapshot = {};

    AdviceReport report;
    buildHistoryAdvice (report, {}, historyEnabled, kHistoryMinimumSeconds);

    if (onHistoryCleared)
        onHistoryCleared (report);
}

std::vector<RecordedRange> PlaybackHistoryRecorder::getRecordedRanges() const
{
    return history.getRecordedRanges();
}

void PlaybackHistoryRecorder::analysisSourceChanged() noexcept
{
    analysisDirty = true;
    nextStatusUpdateMs = 0.0;
}

void PlaybackHistoryRecorder::updateAnalysisStatus (AnalysisTabTarget& tab, bool throttled)
{
    if (! tab.isShowingAnalysis())
    {
        nextStatusUpdateMs = 0.0;
        return;
    }

    if (! analysisDirty)
        return;

    const double now = clock();

    if (throttled && nextStatusUpdateMs > now)
        return;

    AdviceReport report;

    if (tab.analysisUsesLoop() && loopState.keyValid)
    {
        report = buildLoopReport();
    }
    else
    {
        buildHistoryAdvice (report, history.aggregate(), historyEnabled, kHistoryMinimumSeconds);

        if (tab.analysisUsesLoop())
            report.title = kNoLoopNotice + report.title;
    }

    tab.setAnalysisReport (report);
    analysisDirty = false;
    nextStatusUpdateMs = now + kStatusRebuildIntervalMs;
}

AdviceReport PlaybackHistoryRecorder::buildLoopReport() const
{
    AdviceReport report;

    if (loopState.completedPasses > 0)
        buildHistoryAdvice (report, loopState.lastPass, true, loopState.getMinimumPassSeconds());

    const bool foundNothing = report.title.contains (kNothingFoundText);
    report.title = describeLoopStatus (loopState.completedPasses > 0 && report.hasNoFindings(), foundNothing);
    return report;
}

juce::String PlaybackHistoryRecorder::describeLoopStatus (bool passHasNoFindings, bool passFoundNothing) const
{
    juce::String status;
    status << "Active loop: " << juce::String (loopState.keyStart, 2) << " - " << juce::String (loopState.keyEnd, 2)
           << " s. ";

    if (loopState.completedPasses > 0)
        status << "Showing completed pass " << loopState.completedPasses << ". ";

    if (loopState.trackingActive)
    {
        if (loopState.warmupSeconds < LoopPassState::kWarmupSeconds || ! loopState.matchedLastTick)
            status << "Warming up measurements ("
                   << juce::String (std::min (loopState.warmupSeconds, LoopPassState::kMeasurementWindowSeconds), 1)
                   << "/3 s). Keep both tracks playing; short loops need several passes.";
        else if (loopState.recording)
            status << "Recording loop: " << (int) (100.0 * loopState.progress) << "%.";
        else
            status << "Waiting for the next loop start to record a full pass.";
    }
    else
    {
        status << "Playback stopped. Play to record a complete loop.";
    }

    if (passHasNoFindings)
        status << (passFoundNothing ? " No relevant differences in the measured ranges."
                                    : " Not enough sound in the completed pass for reliable advice.");

    status << " Suggestions apply to Source. Based on recorded 3-second measurement windows.";
    return status;
}
