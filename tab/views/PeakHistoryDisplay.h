#pragma once

#include "tab/views/BandDisplayBase.h"

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
    static constexpr int kReferenceSeries = 0;
    /** Index of the Source series for getSelectedSeries. */
    static constexpr int kSourceSeries = 1;

    PeakHistoryDisplay();
    ~PeakHistoryDisplay() override;

    /** True while the Shift key holds the picture: the editor's feed and the tab's clear then
        leave the series alone. Message thread. */
    static bool isFrozen();

    /** Copies the first min(n_ref, n_src) values of both series and repaints. The caller skips
        this while isFrozen(). */
    void setSeries (const std::vector<float>& referenceSeries, const std::vector<float>& sourceSeries);

    /** Empties both series and repaints. The caller skips this while isFrozen(). */
    void clearSeries();

    /** Flips the Reference series' visibility, moves the selected series to a visible one by
        the view's rules, and repaints. */
    void toggleReferenceVisible();
    /** Flips the Source series' visibility, the mirror image of toggleReferenceVisible. */
    void toggleSourceVisible();

    /** Whether the Reference series is shown. */
    bool isReferenceVisible() const noexcept { return referenceVisible; }
    /** Whether the Source series is shown. */
    bool isSourceVisible() const noexcept { return sourceVisible; }
    /** The series that gets a fill when it is the only one shown: kReferenceSeries or kSourceSeries. */
    int getSelectedSeries() const noexcept { return selectedSeries; }

    /** The two series as last set. */
    const std::vector<float>& getReferencePeaks() const noexcept { return referencePeaks; }
    const std::vector<float>& getSourcePeaks() const noexcept { return sourcePeaks; }

    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;

protected:
    void drawContent (juce::Graphics& g, juce::Rectangle<float> plot) override;
    void drawGrid (juce::Graphics& g, juce::Rectangle<float> plot) override;
    void drawAxisLabels (juce::Graphics& g, juce::Rectangle<float> plot, juce::Rectangle<float> bounds) override;

private:
    std::vector<float> referencePeaks, sourcePeaks;
    juce::Path referencePath, sourcePath;
    juce::Rectangle<float> cachedPlotArea;
    bool pathsDirty = true;
    float pathStartX = 0.0f, pathEndX = 0.0f;
    int selectedSeries = kReferenceSeries;
    bool referenceVisible = true, sourceVisible = true;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PeakHistoryDisplay)
};
