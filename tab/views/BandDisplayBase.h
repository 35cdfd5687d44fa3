#pragma once

#include "engine/FocusBand.h"
#include "tab/views/BandAxis.h"
#include "tab/views/BandSelection.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <vector>

/**
    The common base of the three frequency views of a Reference tab (spectrum, difference, peak
    history): the band axis (band edges spread evenly across the plot, logarithmic inside each
    band), the band selection for band listen, the conversion of pushed magnitude spectra into
    one level per band, and the paint order (background, grid, axis labels, the view's content,
    the selection overlay, the hover readout, the frame).

    The Reference is series A, the Source series B. Message thread only; the editor's timer
    pushes the spectra.
*/
class BandDisplayBase : public juce::Component,
                        private juce::Timer
{
public:
    /** How the spectrum and difference views draw their levels (setting "AnalyzerPlotStyle"). */
    enum class PlotStyle : int
    {
        /** Smooth curves ("Lines"). */
        Lines = 0,
        /** Bars per band ("Bars"), the default. */
        Bars = 1
    };

    /** Which signal a pushed spectrum belongs to. */
    enum class Series : int
    {
        /** Series A, the Reference. */
        Reference = 0,
        /** Series B, the Source. */
        Source = 1
    };

    /** A selected frequency range in Hz, low <= high; low = high = 0 means none. */
    using Selection = BandSelection::Range;

    /** Level of a band with no energy, or of a band without data, in dB. */
    static constexpr float kFloorDb = -120.0f;

    /** Builds the base with the 31 default band edges 20 x 1000^(i/30) Hz; opaque. */
    BandDisplayBase();
    ~BandDisplayBase() override;

    /** Reports the selection after each completed gesture (no range: band listen off).
        Set by the view host; skipped when empty. */
    std::function<void (FocusBand)> onSelectionChanged;

    /** Takes one magnitude spectrum (bin 0 = 0 Hz, last bin = half the sample rate) for a
        series; a sample rate of 0 or less keeps the previous one. Marks the band levels stale
        and calls spectraChanged. */
    void pushSpectrum (const std::vector<float>& magnitudes, Series series, double sampleRate);

    /** Empties both pushed spectra, marks the band levels stale and calls spectraChanged. */
    void clearSpectra();

    /** Marks the per-band levels for recomputation on the next paint (after a level offset or
        the data changed). */
    void invalidateBandLevels() noexcept;

    /** Stores a plot style and repaints when it differs. */
    void setPlotStyle (PlotStyle style);
    /** The plot style in use. */
    PlotStyle getPlotStyle() const noexcept { return plotStyle; }

    /** Sets the level range of the plot, bottom (minDb) to top (maxDb), in dB. */
    void setLevelRange (float newMinDb, float newMaxDb);
    /** The level at the bottom of the plot, dB. */
    float getMinDb() const noexcept { return minDb; }
    /** The level at the top of the plot, dB. */
    float getMaxDb() const noexcept { return maxDb; }

    /** Sets the pixels kept below the plot for axis labels (and more in the difference view). */
    void setBottomMargin (float newBottomMargin);

    /** Whether paint calls drawHoverReadout. */
    void setShowHoverReadout (bool shouldShow);
    /** Whether paint calls drawHoverReadout. */
    bool getShowHoverReadout() const noexcept { return showHoverReadout; }

    /** Turns the band selection off for good (used for the peak-history view): clears the
        selection and band listen and reports no range. */
    void setSelectionEnabled (bool shouldBeEnabled);

    /** The selection in Hz; empty when there is none. */
    Selection getSelection() const noexcept { return bandSelection.selection; }
    /** Whether the current selection is being listened to. */
    bool isBandListenOn() const noexcept { return bandSelection.bandListenOn; }
    /** Whether the band selection is on (off for the peak-history view). */
    bool isSelectionEnabled() const noexcept { return bandSelection.selectionEnabled; }

    /** Takes over another band view's selection without reporting it: an empty range (or one
        that is not a number) clears the selection and band listen, anything else is limited to
        20 Hz ... 20 kHz; ends any drag, recomputes the handles for this view's own plot area
        and repaints. Used by the view host to keep the two band views in step. */
    void mirrorSelection (Selection newSelection, bool newBandListenOn);

    /** The frequency axis over the band edges (built once and cached). */
    const BandAxis& getAxis();

    /** The band edges in Hz, sorted ascending, at least two (cached). */
    std::vector<double> getBandEdges();
    /** The edge at an index limited to the list. */
    double getBandEdge (int index);
    /** Index of the edge nearest to a frequency (the first one on a tie). */
    int findNearestBandEdge (double hz);
    /** A range snapped to whole bands. */
    juce::Range<double> snapRangeToBandEdges (double lowHz, double highHz);
    /** The smallest gap between neighbouring edges, at least 10 Hz. */
    double getMinBandSpacing();

    /** Frequency in Hz at an x position of a plot area. */
    double xToFrequency (float x, juce::Rectangle<float> plot);
    /** x of a frequency in a plot area. */
    float frequencyToX (double hz, juce::Rectangle<float> plot);
    /** The selection's rectangle in a plot area; empty when there is no selection. */
    juce::Rectangle<float> getSelectionBounds (juce::Rectangle<float> plot);

    /** The plot area for the current size: 50 px cut on the left, 10 px right and top, the
        bottom margin below. */
    juce::Rectangle<float> getPlotArea() const noexcept;

    /** Works out the band centres and both signals' band levels (with their offsets) from the
        pushed spectra when they are stale; paint calls it, so it runs once per new data. */
    void updateBandLevels();

    /** Per band: the Reference and Source levels in dB with their offsets, and the band
        centres in Hz, as last worked out by updateBandLevels. */
    const std::vector<float>& getReferenceBandLevels() const noexcept { return referenceBandLevels; }
    const std::vector<float>& getSourceBandLevels() const noexcept { return sourceBandLevels; }
    const std::vector<double>& getBandCentres() const noexcept { return bandCentres; }

    /** The sample rates that belong to the pushed spectra, Hz. */
    double getReferenceSampleRate() const noexcept { return referenceSampleRate; }
    double getSourceSampleRate() const noexcept { return sourceSampleRate; }

    /** Level in dB of the band lowHz..highHz of a magnitude spectrum; kFloorDb without energy.
        Also used by the editor's playback-history code. Any thread. */
    static float bandLevelDb (const std::vector<float>& magnitudes, double sampleRate, double lowHz, double highHz);

    /** Monotone cubic interpolation, on a logarithmic frequency axis, between the levels at
        indices i and j (normally j = i + 1) at t (0..1). Any thread. */
    static float interpolateLevel (const std::vector<float>& levels, const std::vector<double>& frequencies,
                                   int i, int j, float t);

    /** The level of every band between neighbouring edges (bandLevelDb) plus offsetDb, into
        levels (resized to the number of bands). Any thread. */
    static void computeBandLevels (const std::vector<float>& magnitudes, double sampleRate,
                                   const std::vector<double>& edges, float offsetDb, std::vector<float>& levels);

    void mouseMove (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void mouseDoubleClick (const juce::MouseEvent&) override;
    void paint (juce::Graphics&) override;

    /** How many times paint has drawn the background, grid and axis labels afresh (they are
        kept in an image until the size, the plot or the level range changes). */
    int getStaticLayerBuildCount() const noexcept { return staticLayerBuilds; }

protected:
    /** The view's curves, bars or texts inside the plot. */
    virtual void drawContent (juce::Graphics& g, juce::Rectangle<float> plot) = 0;
    /** The view's hover readout; called only while showHoverReadout is set. */
    virtual void drawHoverReadout (juce::Graphics& g, juce::Rectangle<float> plot);
    /** Frequency and level grid. */
    virtual void drawGrid (juce::Graphics& g, juce::Rectangle<float> plot);
    /** Frequency and level labels; bounds are the local bounds. */
    virtual void drawAxisLabels (juce::Graphics& g, juce::Rectangle<float> plot, juce::Rectangle<float> bounds);
    /** Called after pushSpectrum or clearSpectra changed the data; repaints the whole view.
        Message thread. */
    virtual void spectraChanged();

    /** Does nothing: the base's timer is never started. */
    void timerCallback() override;

    /** The level grid lines, one every 5 dB from minDb to maxDb. */
    void drawLevelLines (juce::Graphics& g, juce::Rectangle<float> plot);
    /** The level labels beside the level grid lines. */
    void drawLevelLabels (juce::Graphics& g, juce::Rectangle<float> plot, juce::Rectangle<float> bounds);
    /** y of a level in the plot (minDb at the bottom, maxDb at the top, limited to the plot). */
    float levelToY (float levelDb, juce::Rectangle<float> plot) const noexcept;

    /** Draws the selection's column, its edge handles and its close badge. */
    void drawSelectionOverlay (juce::Graphics& g, juce::Rectangle<float> plot);
    /** Repaints and reports as a selection gesture asks. */
    void applySelectionOutcome (const BandSelection::Outcome& outcome);

    /** Makes the next paint draw the background, grid and axis labels afresh. */
    void invalidateStaticLayer() noexcept { staticLayerValid = false; }

    /** Fills an area with a translucent colour, for a view's content drawn first onto nothing
        but the background, grid and labels: the area is copied from a copy of those already
        tinted with the colour, which gives the same pixels as blending the colour in but costs
        a copy instead of a blend per pixel. */
    void fillOverStaticLayer (juce::Graphics& g, const juce::Path& area, juce::Colour colour);

    std::vector<double> bandCentres;
    std::vector<float> referenceBandLevels, sourceBandLevels;
    /** Band levels of both signals without their offsets. */
    std::vector<float> referenceRawBandLevels, sourceRawBandLevels;
    juce::Colour backgroundColour { 0xff0e1c18 }, frameColour { 0xff31594d }, gridColour { 0xff94a69f };
    bool showHoverReadout = true;
    double referenceSampleRate = 48000.0, sourceSampleRate = 48000.0;
    float sourceLevelOffset = 0.0f, referenceLevelOffset = 0.0f;
    float minDb = -90.0f, maxDb = 0.0f;
    float bottomMargin = 26.0f;
    bool useConfiguredEdges = true;
    std::vector<double> configuredEdges;
    /** The cleaned band edges as an axis; valid while edgeCacheValid. */
    BandAxis edgeCache;
    bool edgeCacheValid = false;
    juce::Point<float> hoverPosition;
    bool hovering = false;
    bool bandLevelsValid = false;
    juce::Rectangle<float> lastPlotBounds;
    std::vector<float> referenceMagnitudes, sourceMagnitudes;
    PlotStyle plotStyle = PlotStyle::Bars;
    /** The selection, its drag state, band listen and the handle and badge rectangles. */
    BandSelection bandSelection;
    double minFrequency = BandAxis::kMinFrequency, maxFrequency = BandAxis::kMaxFrequency;

private:
    /** Draws the background gradient, the grid and the axis labels into staticLayer when they
        are stale, then the layer into g. */
    void drawStaticLayer (juce::Graphics& g, juce::Rectangle<float> plot);

    /** The background, grid and labels as drawn for staticLayerScale. */
    juce::Image staticLayer;
    bool staticLayerValid = false;
    float staticLayerScale = 1.0f;
    int staticLayerBuilds = 0;

    /** The static layer with tintColour blended over all of it. */
    juce::Image tintedLayer;
    juce::Colour tintColour;
    bool tintedLayerValid = false;

    /** Draws an image of the component at the given pixel scale at the origin. */
    static void drawLayer (juce::Graphics& g, const juce::Image& layer, float scale);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BandDisplayBase)
};
