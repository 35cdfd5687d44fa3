#pragma once

#include "editor/AdviceReport.h"
#include "editor/AnalysisSnapshot.h"
#include "editor/AnalysisTabTarget.h"
#include "editor/LoopPassState.h"
#include "editor/PlaybackHistory.h"
#include "tab/SignalDisplay.h"

#include <functional>
#include <vector>

/**
    The editor's analysis clockwork: on every timer tick it records the live measurements into
    the playback history while the host plays, shows the recorded moment under the playhead
    while it is stopped, tracks complete passes of the active loop, and rebuilds the written
    analysis of the current tab when it shows ANALYSIS. The editor's seek handler hands it every
    seek of the waveform, so that history and loop passes stay true to the jump.

    It knows neither the processor nor the window: the editor passes in what it read from the
    processor (the transport, the playhead and the live snapshot) and the current tab through an
    AnalysisTabTarget. Message thread only.
*/
class PlaybackHistoryRecorder final
{
public:
    /** Least time between two rebuilds of the written analysis while the host plays. */
    static constexpr double kStatusRebuildIntervalMs = 250.0;
    /** A stopped playhead this close to a recorded range still inspects it. */
    static constexpr double kInspectToleranceSeconds = 0.005;
    /** Default length of the history in seconds of playing time. */
    static constexpr double kDefaultHistorySeconds = 10.0;

    /** What the editor must do after a seek besides what the recorder did. */
    struct SeekResponse
    {
        /** A user seek during playback: empty both peak-history series (and their copies) and
            make the live snapshot a default one. */
        bool discardLiveMeasurements = false;
    };

    /** A recorder that reads the time from juce::Time::getMillisecondCounterHiRes. */
    PlaybackHistoryRecorder();
    /** A recorder with its own clock in milliseconds (tests drive the rebuild throttle). */
    explicit PlaybackHistoryRecorder (std::function<double()> clockMs);
    ~PlaybackHistoryRecorder();

    /** Called with the empty history's report whenever the history is cleared; the editor
        hands it to the analysis view of every Reference tab. */
    std::function<void (const AdviceReport&)> onHistoryCleared;

    /** Takes the two history settings (from "PlaybackHistoryEnabled" and
        "PlaybackHistorySeconds"); switching the history off clears it and asks for a rebuild of
        the analysis. A shorter length takes effect at the next recorded tick. */
    void setHistorySettings (bool enabled, double seconds);

    /** One timer tick. tab is the current Reference tab or nullptr; playing the host transport;
        positionSeconds the active Reference's playhead; live the live snapshot, whose playhead,
        loudness values, level-match flag and band results the editor has just refreshed;
        timerIntervalMs the timer's configured interval. */
    void recordPlaybackHistory (AnalysisTabTarget* tab, bool playing, double positionSeconds,
                                const AnalysisSnapshot& live, int timerIntervalMs);

    /** A seek sent by the tab's waveform display. The editor has read playing and the playhead
        before the seek, forwarded the seek to the processor where that applies, and, for a seek
        while stopped, refreshed the live snapshot as for a tick. */
    SeekResponse handleSeek (AnalysisTabTarget& tab, SignalDisplay::SeekOrigin origin, double seconds,
                             bool playing, double positionBeforeSeek, const AnalysisSnapshot& live,
                             int timerIntervalMs);

    /** Empties the history and what derives from it, and reports the empty history's advice
        through onHistoryCleared. */
    void clearPlaybackHistory();

    /** The playhead ranges the history covers, sorted and merged. */
    std::vector<RecordedRange> getRecordedRanges() const;

    /** Rebuilds the tab's written analysis when it shows ANALYSIS and something changed; when
        throttled, at most every kStatusRebuildIntervalMs. */
    void updateAnalysisStatus (AnalysisTabTarget& tab, bool throttled);

    /** The tab's LOOP/HISTORY switch changed: rebuild the analysis on the next chance. */
    void analysisSourceChanged() noexcept;

    const PlaybackHistory& getHistory() const noexcept { return history; }
    const LoopPassState& getLoopState() const noexcept { return loopState; }
    /** The recorded moment shown while stopped. */
    const AnalysisSnapshot& getShownSnapshot() const noexcept { return shownSnapshot; }
    bool isInspecting() const noexcept { return inspecting; }
    bool isHistoryEnabled() const noexcept { return historyEnabled; }
    double getHistorySeconds() const noexcept { return historySeconds; }
    /** Playing time recorded since the last clear. */
    double getRecordedSeconds() const noexcept { return recordedSeconds; }
    bool isAnalysisDirty() const noexcept { return analysisDirty; }

private:
    LoopKey computeLoopKey (const AnalysisTabTarget& tab) const;
    /** The report of the last completed loop pass with the loop's status as its title. */
    AdviceReport buildLoopReport() const;
    juce::String describeLoopStatus (bool passHasNoFindings, bool passFoundNothing) const;

    PlaybackHistory history;
    LoopPassState loopState;
    /** The written analysis must be rebuilt. */
    bool analysisDirty = false;
    /** Earliest clock time of a throttled rebuild; 0 = at once. */
    double nextStatusUpdateMs = 0.0;
    AnalysisSnapshot shownSnapshot;
    bool historyEnabled = true;
    double historySeconds = kDefaultHistorySeconds;
    double recordedSeconds = 0.0;
    /** Playhead of the last tick that reached the history step; -1 after a clear. */
    double lastRecordedPlayhead = -1.0;
    /** The Reference file the entries belong to. */
    juce::String historyPath;
    bool wasPlaying = false;
    bool inspecting = false;
    std::function<double()> clock;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PlaybackHistoryRecorder)
};
