#pragma once

#include "tab/views/BandDisplayBase.h"
#include "tab/views/SpectrumAnimation.h"

#include <functional>

/**
    The spectrum view: the Reference and Source spectra as per-band levels, as pairs of bars or
    two smooth filled curves. The shown levels glide toward each new measurement (separate rise
    and fall times); holding Shift freezes the picture. Message thread only; the editor feeds it
    through pushSpectrum.

    The glide takes one step per fed frame, not per paint: the pushes (or a clearSpectra) of one
    timer tick are gathered into one asynchronous update that brings the band levels up to date,
    steps the glide and repaints only the parts of the plot whose bars or curves moved. Paint
    draws the shown levels as they are.
*/
class SpectrumDisplay final : public BandDisplayBase,
                              private juce::AsyncUpdater
{
public:
    SpectrumDisplay();
    ~SpectrumDisplay() override;

    /** Shows the target levels at once, without gliding (after the editor pushed a recorded
        moment): steps the glide now with a snap and repaints the whole view. */
    void requestSnap();

    /** Takes the glide's step for the frames pushed since the last one now, if there are any,
        instead of waiting for the asynchronous update (the editor's timer calls it after
        pushing both spectra, so that a tick leaves the view up to date). */
    using juce::AsyncUpdater::handleUpdateNowIfNeeded;

    /** The clock the glide steps by, in ms (juce::Time::getMillisecondCounterHiRes); tests put
        a clock of their own here. */
    std::function<double()> clock;

    /** The curve through a per-band list across the plot, one vertex per pixel. */
    juce::Path buildCurvePath (const std::vector<float>& levels, juce::Rectangle<float> plot, int numBandEdges);

    /** Fills under a curve at fillAlpha and strokes it. */
    void strokeCurvePath (juce::Graphics& g, juce::Rectangle<float> plot, const juce::Path& path,
                          juce::Colour colour, float fillAlpha, float strokeThickness);

protected:
    /** Draws the shown levels as bars or curves, or the placeholder text when none is drawn. */
    void drawContent (juce::Graphics& g, juce::Rectangle<float> plot) override;
    /** Asks for the glide's next step instead of repainting. */
    void spectraChanged() override;

private:
    /** One step of the glide: the band levels brought up to date, the shown levels moved (with
        the Shift state and the clock) and what moved repainted. */
    void handleAsyncUpdate() override;

    /** Repaints what changed between the levels shown before the step and those shown now:
        everything when asked to, or when the view has not painted the plot it has now, the
        band count changed or the placeholder comes or goes; else only the moved bars or the
        moved stretches of the curves. */
    void repaintChangedLevels (bool everything);
    /** Per band, the column between the old and the new tops of the bars that moved. */
    void repaintChangedBars (juce::Rectangle<float> plot, int numEdges);
    /** Per stretch of a few pixels, the rows between the old and the new curves where they
        moved, widened by the stroke. Repaints the whole plot when a curve comes or goes. */
    void repaintChangedCurves (juce::Rectangle<float> plot, int numEdges);
    /** Whether both lists hold one level per band and any of them is drawn. */
    bool drawsAnyLevel (const std::vector<float>& referenceLevels, const std::vector<float>& sourceLevels,
                        size_t numBands) const noexcept;

    /** Draws the two bars of every band; returns whether any bar was drawn. */
    bool drawBars (juce::Graphics& g, juce::Rectangle<float> plot, int numEdges);
    /** Draws the two curves; returns whether either was drawn. */
    bool drawCurves (juce::Graphics& g, juce::Rectangle<float> plot, int numEdges);
    /** "PLAY AUDIO TO ANALYZE" in the middle of the plot. */
    void drawPlaceholder (juce::Graphics& g, juce::Rectangle<float> plot);
    /** Whether a level is drawn: finite and more than 2 dB above the plot's bottom. */
    bool isDrawnLevel (float levelDb) const noexcept;

    /** The vertices of buildCurvePath (none when no level is drawn). */
    void buildCurvePoints (const std::vector<float>& levels, juce::Rectangle<float> plot, int numBandEdges,
                           std::vector<juce::Point<float>>& points);
    /** A polyline through the points. */
    static juce::Path toPath (const std::vector<juce::Point<float>>& points);
    /** Strokes a curve in the colour with curved joints and rounded ends. */
    static void strokeCurve (juce::Graphics& g, const juce::Path& path, juce::Colour colour, float thickness);

    /** The shown levels, their glide and the Shift freeze. */
    SpectrumAnimation animation;
    /** Per-band levels with those that are not finite replaced, for the curves. */
    std::vector<float> curveLevels;
    /** The vertices of both curves and, per vertex, the lower of the two on screen. */
    std::vector<juce::Point<float>> referencePoints, sourcePoints, lowerEnvelope;
    /** The curves' vertices before and after a step, to find where they moved. */
    std::vector<juce::Point<float>> oldReferencePoints, oldSourcePoints, newReferencePoints, newSourcePoints;
    /** The shown levels before a step. */
    std::vector<float> oldReferenceLevels, oldSourceLevels;
    /** The plot the last paint drew into; painted is false before the first paint. */
    juce::Rectangle<float> paintedPlot;
    bool painted = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SpectrumDisplay)
};
