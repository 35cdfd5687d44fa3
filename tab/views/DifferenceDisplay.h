#pragma once

#include "engine/BandStereoAnalyser.h"
#include "tab/views/BandDisplayBase.h"

#include <array>

/**
    The match EQ / difference view: the per-band level difference of Source and Reference after
    bringing the Reference to the Source's short-term loudness, shown as the EQ move the Source
    would need (MATCH EQ) or as the plain difference (DIFF); below the plot three columns compare
    the LOW, MID and HIGH stereo measurements; a hover box explains the difference at the mouse.
    Message thread only; the editor's timer feeds it.
*/
class DifferenceDisplay final : public BandDisplayBase
{
public:
    /** Number of stereo band records: Reference LOW, MID, HIGH, then Source LOW, MID, HIGH. */
    static constexpr int kNumBandStats = 2 * kNumStereoBands;

    /** The six stereo band records in the order of kNumBandStats. */
    using BandStats = std::array<BandResult, (size_t) kNumBandStats>;

    DifferenceDisplay();
    ~DifferenceDisplay() override;

    /** Takes the loudness difference (Source minus Reference short-term loudness, LU) that
        brings the Reference to the Source's loudness; valid false means it is not known.
        Sets the level offsets, marks the band levels stale and repaints. */
    void setLevelDifference (bool valid, float differenceDb);

    /** Copies the six stereo band records and repaints. */
    void setBandStats (const BandStats& stats);

    /** Forgets the level difference and zeroes the six records (the tab's clear), repaints. */
    void clearStats();

    /** true: MATCH EQ (positive = boost the Source); false: DIFF. Repaints. */
    void setMatchEqMode (bool shouldShowMatchEq);
    /** Whether the view shows MATCH EQ (true) or DIFF (false). */
    bool isMatchEqMode() const noexcept { return matchEqMode; }

    /** Whether a level difference is known. */
    bool isLevelDifferenceValid() const noexcept { return levelDifferenceValid; }
    /** The six records last set. */
    const BandStats& getBandStats() const noexcept { return bandStats; }
    /** Per band, Source minus the loudness-normalised Reference in dB as of the last paint;
        not a number where no difference is known. */
    const std::vector<float>& getBandDifferences() const noexcept { return bandDifferences; }

    void visibilityChanged() override;

protected:
    void drawContent (juce::Graphics& g, juce::Rectangle<float> plot) override;
    void drawHoverReadout (juce::Graphics& g, juce::Rectangle<float> plot) override;

private:
    /** The tolerance band, the zero line and the three captions. */
    void drawBackdrop (juce::Graphics& g, juce::Rectangle<float> plot);
    void drawDifferenceBars (juce::Graphics& g, juce::Rectangle<float> plot);
    void drawDifferenceCurve (juce::Graphics& g, juce::Rectangle<float> plot);
    /** Rebuilds the cached curve when the differences, the plot or the mode changed. */
    void updateDifferenceCurve (juce::Rectangle<float> plot);
    /** The LOW, MID and HIGH verdict columns below the plot. */
    void drawBandVerdicts (juce::Graphics& g, juce::Rectangle<float> plot);
    /** The plotted value of a band (negated in MATCH EQ mode). */
    float plotted (size_t band) const noexcept;

    std::vector<float> bandDifferences;
    BandStats bandStats {};
    bool levelDifferenceValid = false;
    bool matchEqMode = false;
    juce::Colour diffColour, matchColour;

    /** The curve of the Lines style and what it was built from. */
    juce::Path differenceCurve;
    std::vector<float> curveDifferences;
    juce::Rectangle<float> curvePlot;
    bool curveMatchEqMode = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DifferenceDisplay)
};
