#pragma once

#include "engine/FocusBand.h"
#include "tab/views/AnalysisDisplay.h"
#include "tab/views/DifferenceDisplay.h"
#include "tab/views/GoniometerDisplay.h"
#include "tab/views/PeakHistoryDisplay.h"
#include "tab/views/SpectrumDisplay.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>

/** The view a Reference tab shows. Stored as an int: any other value shows the spectrum view,
    and Diff is stored as Match (the difference view's mode says which of the two it shows). */
enum class ViewMode : int
{
    Spectrum = 0,
    Diff = 1,
    Match = 2,
    Stereo = 3,
    History = 4,
    Analysis = 5
};

/**
    The area of a Reference tab that shows one of the five analysis views at a time. It owns the
    views, remembers the tab's view mode, frames the view shown, offers the plot-style menu on a
    right click (spectrum and match views only) and keeps the band selection of the spectrum and
    difference views in step, reporting it onward.

    The tab and the editor reach the five views directly to push data and set flags.
    Message thread only.
*/
class DisplayHost final : public juce::Component
{
public:
    /** Builds the five views with their level ranges and margins, shows the spectrum view. */
    DisplayHost();
    ~DisplayHost() override;

    /** Called after a choice in the plot-style menu (also when no view's style changed).
        Set by the editor; skipped when empty. */
    std::function<void (BandDisplayBase::PlotStyle)> onPlotStyleChanged;

    SpectrumDisplay spectrumView;
    DifferenceDisplay differenceView;
    GoniometerDisplay goniometerView;
    PeakHistoryDisplay peakHistoryView;
    AnalysisDisplay analysisView;

    /** Called whenever the spectrum or difference view reports its selection, with the
        reported band. Set by the editor; skipped when empty. */
    std::function<void (FocusBand)> onBandSelectionChanged;

    /** Stores a view mode and, when it differs from the stored one, shows its view in place
        of the current one. Called by the tab's setViewMode (which stores Diff as Match). */
    void setViewMode (int newMode);

    /** The stored view mode (a ViewMode value). */
    int getViewMode() const noexcept { return viewMode; }

    /** The view shown. */
    juce::Component* getCurrentView() const noexcept { return currentView; }

    /** The view that shows for a mode. */
    juce::Component& getViewForMode (int mode) noexcept;

    /** Opens the plot-style menu ("Lines", "Bars") at a screen position, in the spectrum and
        match modes only; the result applies the style to both band views. */
    void showViewMenu (juce::Point<int> screenPosition);

    /** A right click that was not a drag, on the host's frame or inside any of its views,
        opens the plot-style menu (once per click). */
    void mouseUp (const juce::MouseEvent&) override;
    void paint (juce::Graphics&) override;
    void resized() override;

private:
    /** The five views, in declaration order. */
    std::array<juce::Component*, 5> getViews() noexcept;

    /** Hands a selection reported by one band view to the other (which does not report it
        again), then reports it onward. */
    void mirrorBandSelection (BandDisplayBase& source, BandDisplayBase& target, FocusBand band);

    /** Applies a menu result: "Lines" or "Bars" to both band views and the callback; anything
        else (the menu dismissed) does nothing. */
    void applyMenuChoice (int menuResult);

    int viewMode = static_cast<int> (ViewMode::Spectrum);
    juce::Component* currentView = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DisplayHost)
};
