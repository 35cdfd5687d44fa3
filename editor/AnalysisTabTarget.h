#pragma once

#include "editor/AdviceReport.h"
#include "editor/AnalysisSnapshot.h"
#include "tab/SignalDisplay.h"

#include <vector>

/**
    What the playback-history recorder reads from and writes into the current Reference tab:
    the tab's file and loops, which view and analysis source it shows, its measurement views,
    the waveform's recorded-range markers and inspect marker, and its analysis view.

    The editor implements it over a SignalViewTab; tests implement it over plain values, so the
    history, the loop passes and the advice run without a window. Message thread only.
*/
class AnalysisTabTarget
{
public:
    virtual ~AnalysisTabTarget() = default;

    /** The tab's "fullPath". */
    virtual juce::String getFullPath() const = 0;

    /** The waveform display's loops, active loop index and whether loops are shown. */
    virtual const juce::Array<LoopRegion>& getLoops() const = 0;
    virtual int getActiveLoopIndex() const = 0;
    virtual bool areLoopsVisible() const = 0;

    /** Whether the tab's current view is ANALYSIS. */
    virtual bool isShowingAnalysis() const = 0;
    /** Whether the analysis view's source switch is on LOOP. */
    virtual bool analysisUsesLoop() const = 0;
    /** Hands a report to the tab's analysis view. */
    virtual void setAnalysisReport (const AdviceReport& report) = 0;

    /** Writes a snapshot into the tab's measurement views: the live one (live true) or a
        recorded moment (live false), which the spectrum view shows at once. */
    virtual void showSnapshot (const AnalysisSnapshot& snapshot, bool live) = 0;
    /** Empties what the measurement views show. */
    virtual void clearDisplays() = 0;

    /** Whether the waveform's inspect marker shows. */
    virtual bool isInspectMarkerShown() const = 0;
    /** Shows the inspect marker at a time, or hides it; repaints the waveform. */
    virtual void setInspectMarker (bool shouldShow, double seconds) = 0;

    /** Whether the waveform marks any recorded range. */
    virtual bool hasRecordedRanges() const = 0;
    /** Replaces the waveform's recorded ranges; repaints it. */
    virtual void setRecordedRanges (std::vector<RecordedRange> ranges) = 0;
};
