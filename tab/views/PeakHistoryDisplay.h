#pragma once

#include "tab/views/BandDisplayBase.h"
#include "tab/views/PeakHistoryLayout.h"

/**
    The peak-history view: the recent peak levels of the Reference and the Source as two line
    graphs over time (oldest first, -60 to +20 dB), with a level cursor at the mouse. Either
    series can be hidden with the tab's legend buttons. It replaces the base's grid and labels
    and has no band selection. Holding Shift freezes the series. Message thread only.
*/
class PeakHistoryDisplay final : public BandDisplayBase
{
public:
    /** Index of the Reference series for getSelectedSeries. */
    static constexpr int kReferenceSeries = PeakHistoryLayout::kReferenceSeries;
    /** Index of the Source series for getSelectedSeries. */
    static constexpr int kSourceSeries = PeakHistoryLayout::kSourceSeries;

    /** Builds an empty view over -60 ... +20 dB without band selection. */
    PeakHistoryDisplay();
    ~PeakHistoryDisplay() override;

    /** True while the Shift key holds the picture: the editor's feed and the tab's clear then
        leave the series alone. Message thread. */
    static bool isFrozen();

    /** Copies the first min(n_ref, n_src) values of both series and repaints. Does nothing
        while isFrozen() (callers may skip it themselves). */
    void setSeries (const std::vector<float>& referenceSeries, const std::vector<float>& sourceSeries);

    /** Empties both series and repaints. Does nothing while isFrozen(). */
    void clearSeries();

    /** Flips the Reference series' visibility, moves the selected series to a visible one by
        the view's rules, and repaints. */
    void toggleReferenceVisible();
    /** Flips the Source series' visibility, the mirror image of toggleReferenceVisible. */
    void toggleSourceVisible();

    /** Whether the Reference series is shown. */
    bool isReferenceVisible() const noexcept { return visibility.referenceVisible; }
    /** Whether the Source series is shown. */
    bool isSourceVisible() const noexcept { return visibility.sourceVisible; }
    /** The series that gets a fill when it is the only one shown: kReferenceSeries or kSourceSeries. */
    int getSelectedSeries() const noexcept { return visibility.selectedSeries; }

    /** The two series as last set. */
    const std::vector<float>& getReferencePeaks() const noexcept { return referencePeaks; }
    const std::vector<float>& getSourcePeaks() const noexcept { return sourcePeaks; }

    /** How many times the two line graphs were built (once per new series or plot size). */
    int getPathBuildCount() const noexcept { return pathBuilds; }

    /** Presses and drags move the level cursor; the band selection is off. */
    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;

protected:
    void drawContent (juce::Graphics& g, juce::Rectangle<float> plot) override;
    /** Level lines every 5 dB and the plot's left and right edges; no time lines. */
    void drawGrid (juce::Graphics& g, juce::Rectangle<float> plot) override;
    /** Level labels only. */
    void drawAxisLabels (juce::Graphics& g, juce::Rectangle<float> plot, juce::Rectangle<float> bounds) override;

private:
    /** Rebuilds both line graphs when the series or the plot changed. */
    void updatePaths (juce::Rectangle<float> plot);
    /** Fills under (when asked) and strokes one series' graph. */
    void drawSeries (juce::Graphics& g, const juce::Path& path, juce::Colour colour, bool filled, float bottom);
    /** The level cursor and its label at the mouse. */
    void drawCursor (juce::Graphics& g, juce::Rectangle<float> plot);
    /** Moves the level cursor to the event's position. */
    void moveCursor (const juce::MouseEvent& e);

    std::vector<float> referencePeaks, sourcePeaks;
    juce::Path referencePath, sourcePath;
    juce::Rectangle<float> cachedPlotArea;
    bool pathsDirty = true;
    float pathStartX = 0.0f, pathEndX = 0.0f;
    /** Which series show, and which one is filled when it shows alone. */
    PeakHistoryLayout::SeriesVisibility visibility;
    int pathBuilds = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PeakHistoryDisplay)
};
