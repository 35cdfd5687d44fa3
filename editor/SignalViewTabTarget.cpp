#include "editor/SignalViewTabTarget.h"

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
    // The recorder hands the ranges over on every tick; the display repaints only the markers
    // that changed, and nothing on the ticks of a stopped transport.
    page.signalDisplay.setRecordedRanges (std::move (ranges));
}
