#pragma once

#include "tab/views/BandDisplayBase.h"

/**
    The spectrum view: the Reference and Source spectra as per-band levels, as pairs of bars or
    two smooth filled curves. The shown levels glide toward each new measurement (separate rise
    and fall times); holding Shift freezes the picture. Message thread only; the editor feeds it
    through pushSpectrum.
*/
class SpectrumDisplay final : public BandDisplayBase
{
public:
    SpectrumDisplay();
    ~SpectrumDisplay() override;

    /** Makes the next paint show the target levels at once, without gliding (after the editor
        pushed a recorded moment), and repaints. */
    void requestSnap();

    /** The curve through a per-band list across the plot, one vertex per pixel. */
    juce::Path buildCurvePath (const std::vector<float>& levels, juce::Rectangle<float> plot, int numBandEdges);

    /** Fills under a curve at fillAlpha and strokes it. */
    void strokeCurvePath (juce::Graphics& g, juce::Rectangle<float> plot, const juce::Path& path,
                          juce::Colour colour, float fillAlpha, float strokeThickness);

protected:
    /** Animates the shown levels, then draws bars or curves, or the placeholder text. */
    void drawContent (juce::Graphics& g, juce::Rectangle<float> plot) override;

private:
    bool frozen = false;
    std::vector<float> frozenReferenceLevels, frozenSourceLevels;
    std::vector<float> shownReferenceLevels, shownSourceLevels;
    double lastAnimationMs = 0.0;
    bool snapRequested = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SpectrumDisplay)
};
