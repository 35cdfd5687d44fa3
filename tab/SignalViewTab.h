#pragma once

#include "tab/ABMeters.h"
#include "tab/ClearLoopsButton.h"
#include "tab/DisplayHost.h"
#include "tab/HideLoopsButton.h"
#include "tab/HistoryLegendButton.h"
#include "tab/LabeledSwitch.h"
#include "tab/ModernViewButton.h"
#include "tab/SignalDisplay.h"
#include "tab/WaveformZoomButton.h"

#include <juce_audio_utils/juce_audio_utils.h>

#include <functional>

/**
    The page the editor shows for one Reference: a toolbar (five view buttons on the left,
    view-specific controls on the right), the view host below it, and a bottom strip with the
    waveform of the Reference file and the meter panel.

    The page builds and wires its children and keeps the toolbar in line with the current view;
    it holds no measurement logic. The editor installs its callbacks (the page's own two, and
    those of signalDisplay, displayHost and the analysis view) and writes measurement data into
    the children directly. Carries the component properties "fullPath" and "refIndex", set by
    the editor. Message thread only.
*/
class SignalViewTab final : public juce::Component
{
public:
    /** The LOOP / HISTORY switch of the analysis view: a LabeledSwitch whose tooltip names the
        half under the mouse. Message thread only. */
    class AnalysisSourceSwitch final : public LabeledSwitch
    {
    public:
        AnalysisSourceSwitch();
        ~AnalysisSourceSwitch() override;

        /** "Analyze the retained playback history" over the left (HISTORY) half, "Analyze
            complete passes of the active loop; use history when no loop is active" over the
            right (LOOP) half. */
        juce::String getTooltip() override;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AnalysisSourceSwitch)
    };

    /** The page's component properties that the editor sets: the Reference file's full path
        (a string) and the Reference's index in the processor's list (an int, -1 for none). */
    static const juce::Identifier fullPathProperty;
    static const juce::Identifier refIndexProperty;

    /** Builds the page for a Reference file; its component name is the title. The format
        manager and the thumbnail cache are the editor's and must outlive the page. */
    SignalViewTab (const juce::String& title, juce::AudioFormatManager& formatManager,
                   juce::AudioThumbnailCache& thumbnailCache, const juce::File& file);
    ~SignalViewTab() override;

    /** Selects a view (ViewMode value); 1 shows the difference view in DIFF mode and is stored
        as 2. Called by the view buttons. */
    void setViewMode (int mode);

    /** The page's "fullPath"; empty while the editor has not set it. */
    juce::String getFullPath() const;

    /** The stored view mode (never 1). */
    int getViewMode() const noexcept { return displayHost.getViewMode(); }

    /** Brings the toolbar in line with the view mode and the views' flags. Called by the
        editor's timer for the current page and by the page's own switch and legend callbacks. */
    void syncToolbar();

    /** Empties what the views show of the current measurements (the peak history only while
        Shift is up) and removes the inspect marker. Called by the editor's history code. */
    void clearDisplays();

    /** Applies a saved "view" object (loops, active loop, loop visibility, playhead, analysis
        source) and ends with a seek to the restored playhead; anything but an object changes
        nothing. Called by the editor right after it built the page. */
    void restoreViewState (const juce::var& view);

    void paint (juce::Graphics&) override;
    void resized() override;

    /** Fired when the meter panel's output switch changes what the output plays. */
    std::function<void (OutputSelection)> onOutputSelectionChanged;
    /** Fired with the mode (0..2) when the meter panel's level-match switch is clicked. */
    std::function<void (int mode)> onLevelMatchModeChanged;

    /** Waveform, loops and playhead of the Reference file. */
    SignalDisplay signalDisplay;
    /** "Expand waveform" / "Collapse waveform". */
    WaveformZoomButton zoomButton;

private:
    /** The waveform panel (display plus button column); set by resized, framed by paint. */
    juce::Rectangle<int> waveformPanelBounds;

public:
    /** "Hide loops" / "Show loops". */
    HideLoopsButton hideLoopsButton;
    /** "Clear all loops". */
    ClearLoopsButton clearLoopsButton;
    /** The meter panel. */
    ABMeters meters;
    /** Owns the five views and holds the view mode. */
    DisplayHost displayHost;
    /** The five view buttons, in toolbar order. */
    ModernViewButton spectrumButton, matchButton, stereoButton, historyButton, analysisButton;
    /** Legend toggles of the peak-history view. */
    HistoryLegendButton sourceLegendButton, referenceLegendButton;
    /** MATCH EQ (on) / DIFF (off) for the difference view. */
    LabeledSwitch matchModeSwitch;
    /** LOOP (on) / HISTORY (off) as the source of the written analysis. */
    AnalysisSourceSwitch analysisSourceSwitch;

private:
    /** Makes a view button a visible child that does not toggle itself on click. */
    void addViewButton (ModernViewButton& button);

    /** Draws one legend chip: a dot in the colour and the text beside it. */
    void drawLegendItem (juce::Graphics& g, juce::Rectangle<int> area, juce::Colour colour, const juce::String& text);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SignalViewTab)
};
