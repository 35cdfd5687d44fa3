#pragma once

#include "editor/AnalysisTabTarget.h"
#include "tab/SignalViewTab.h"

#include <functional>

/**
    A Reference tab page as the playback-history recorder sees it: reads the page's file, loops
    and view, and writes the measurement views, the waveform's markers and the analysis report.

    The editor makes one for the current page whenever it hands the recorder a tick or a seek;
    how a snapshot reaches the views (which signal's stereo points the goniometer shows) is the
    editor's, so it passes that in. Message thread only.
*/
class SignalViewTabTarget final : public AnalysisTabTarget
{
public:
    /** Writes a snapshot into a page's views; live is false for a recorded moment. */
    using SnapshotWriter = std::function<void (SignalViewTab&, const AnalysisSnapshot&, bool live)>;

    /** Wraps a page, which must outlive the target. */
    SignalViewTabTarget (SignalViewTab& page, SnapshotWriter writeSnapshot);
    ~SignalViewTabTarget() override;

    juce::String getFullPath() const override;
    const juce::Array<LoopRegion>& getLoops() const override;
    int getActiveLoopIndex() const override;
    bool areLoopsVisible() const override;
    bool isShowingAnalysis() const override;
    bool analysisUsesLoop() const override;
    void setAnalysisReport (const AdviceReport& report) override;
    void showSnapshot (const AnalysisSnapshot& snapshot, bool live) override;
    void clearDisplays() override;
    bool isInspectMarkerShown() const override;
    void setInspectMarker (bool shouldShow, double seconds) override;
    bool hasRecordedRanges() const override;
    void setRecordedRanges (std::vector<RecordedRange> ranges) override;

private:
    SignalViewTab& page;
    SnapshotWriter writeSnapshot;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SignalViewTabTarget)
};
