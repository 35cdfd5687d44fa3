#include "editor/SignalViewTabTarget.h"

#include <algorithm>

SignalViewTabTarget::SignalViewTabTarget (SignalViewTab& pageToWrap, SnapshotWriter writer)
    : page (pageToWrap),
      writeSnapshot (std::move (writer))
{
}

SignalViewTabTarget::~SignalViewTabTarget() = default;

juce::String SignalViewTabTarget::getFullPath() const
{
    return page.getFullPath();
}

const juce::Array<LoopRegion>& SignalViewTabTarget::getLoops() const
{
    return page.signalDisplay.loops;
}

int SignalViewTabTarget::getActiveLoopIndex() const
{
    return page.signalDisplay.activeLoopIndex;
}

bool SignalViewTabTarget::areLoopsVisible() const
{
    return page.signalDisplay.loopsVisible;
}

bool SignalViewTabTarget::isShowingAnalysis() const
{
    return page.getViewMode() == static_cast<int> (ViewMode::Analysis);
}

bool SignalViewTabTarget::analysisUsesLoop() const
{
    return page.displayHost.analysisView.getUsesLoop();
}

void SignalViewTabTarget::setAnalysisReport (const AdviceReport& report)
{
    page.displayHost.analysisView.setReport (report);
}

void SignalViewTabTarget::showSnapshot (const AnalysisSnapshot& snapshot, bool live)
{
    if (writeSnapshot)
        writeSnapshot (page, snapshot, live);
}

void SignalViewTabTarget::clearDisplays()
{
    page.clearDisplays();
}

bool SignalViewTabTarget::isInspectMarkerShown() const
{
    return page.signalDisplay.showInspectMarker;
}

void SignalViewTabTarget::setInspectMarker (bool shouldShow, double seconds)
{
    auto& display = page.signalDisplay;

    if (display.showInspectMarker == shouldShow && (! shouldShow || display.inspectMarkerSeconds == seconds))
        return;

    display.showInspectMarker = shouldShow;
    display.inspectMarkerSeconds = seconds;
    display.repaint();
}

bool SignalViewTabTarget::hasRecordedRanges() const
{
    return ! page.signalDisplay.recordedRanges.empty();
}

void SignalViewTabTarget::setRecordedRanges (std::vector<RecordedRange> ranges)
{
    auto& display = page.signalDisplay;

    // The recorder hands the ranges over on every tick; most ticks of a stopped transport
    // change nothing, and the strip need not be drawn again for them.
    const auto same = std::equal (ranges.begin(), ranges.end(), display.recordedRanges.begin(), display.recordedRanges.end(),
                                  [] (const RecordedRange& a, const RecordedRange& b) { return a.start == b.start && a.end == b.end; });

    if (same)
        return;

    display.recordedRanges = std::move (ranges);
    display.repaint();
}
