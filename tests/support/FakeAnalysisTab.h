#pragma once

#include "editor/AnalysisTabTarget.h"

#include <vector>

/** A Reference tab as the playback-history recorder sees it, held in plain values: the test
    sets the file, the loops and the view, and reads back what the recorder showed. */
struct FakeAnalysisTab final : AnalysisTabTarget
{
    /** What the measurement views last showed. */
    enum class Shown { nothing, live, recorded, cleared };

    juce::String getFullPath() const override { return fullPath; }
    const juce::Array<LoopRegion>& getLoops() const override { return loops; }
    int getActiveLoopIndex() const override { return activeLoopIndex; }
    bool areLoopsVisible() const override { return loopsVisible; }
    bool isShowingAnalysis() const override { return showingAnalysis; }
    bool analysisUsesLoop() const override { return usesLoop; }

    void setAnalysisReport (const AdviceReport& newReport) override
    {
        report = newReport;
        ++reportsReceived;
    }

    void showSnapshot (const AnalysisSnapshot& snapshot, bool live) override
    {
        shown = live ? Shown::live : Shown::recorded;
        shownSnapshot = snapshot;
    }

    void clearDisplays() override { shown = Shown::cleared; }
    bool isInspectMarkerShown() const override { return inspectMarkerShown; }

    void setInspectMarker (bool shouldShow, double seconds) override
    {
        inspectMarkerShown = shouldShow;
        inspectMarkerSeconds = seconds;
    }

    bool hasRecordedRanges() const override { return ! recordedRanges.empty(); }
    void setRecordedRanges (std::vector<RecordedRange> ranges) override { recordedRanges = std::move (ranges); }

    /** Adds a loop and makes it the active one. */
    void setSingleLoop (double start, double end)
    {
        loops.clearQuick();
        loops.add ({ start, end, true });
        activeLoopIndex = 0;
        loopsVisible = true;
    }

    juce::String fullPath { "/music/Reference.wav" };
    juce::Array<LoopRegion> loops;
    int activeLoopIndex = -1;
    bool loopsVisible = true;
    bool showingAnalysis = true;
    bool usesLoop = false;

    AdviceReport report;
    int reportsReceived = 0;
    Shown shown = Shown::nothing;
    AnalysisSnapshot shownSnapshot;
    bool inspectMarkerShown = false;
    double inspectMarkerSeconds = 0.0;
    std::vector<RecordedRange> recordedRanges;
};
