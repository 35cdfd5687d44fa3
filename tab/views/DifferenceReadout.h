#pragma once

#include "engine/BandStereoAnalyser.h"

#include <juce_graphics/juce_graphics.h>

#include <vector>

/**
    What the match EQ / difference view decides: the loudness-normalised difference of every band,
    the value under the mouse, and the texts of its hover box and of its LOW / MID / HIGH verdict
    rows. Free functions with no component behind them, so that every number and sentence the
    view shows can be tested without a display. Any thread.
*/
namespace DifferenceReadout
{
/** A band whose level (without offset) is at or below this has no difference, dB. */
constexpr float kNoSignalDb = -90.0f;
/** Values beyond this are off the plot's scale, dB. */
constexpr float kOffScaleDb = 20.0f;
/** Differences smaller than this count as none, dB (and widths and crests as equal). */
constexpr float kSameDb = 0.05f;

/** Per band, Source minus the loudness-normalised Reference, from the band levels without
    offsets and the offsets that the view adds to each signal (the Reference's brings it to the
    Source's short-term loudness): (source + sourceOffset) - (reference + referenceOffset).
    Not a number where either raw level is at or below kNoSignalDb, and everywhere while
    differenceValid is false. differences is resized to the shorter list. */
void computeBandDifferences (const std::vector<float>& referenceRawLevels, const std::vector<float>& sourceRawLevels,
                             float referenceOffsetDb, float sourceOffsetDb, bool differenceValid,
                             std::vector<float>& differences);

/** The value the view plots for a difference: the boost the Source needs (its negation) in
    MATCH EQ mode, the difference itself in DIFF mode. */
float plottedValue (float difference, bool matchEqMode) noexcept;

/** The plotted value at a frequency: the value of the band that holds it (bars), or the curve
    through the band centres (lines), which follows the band's neighbours where they are known.
    Not a number where the band has no difference. */
float valueAt (double hz, const std::vector<double>& edges, const std::vector<double>& centres,
               const std::vector<float>& differences, bool matchEqMode, bool smoothCurve);

/** "1.2 kHz" from 1000 Hz up, "250 Hz" below, "-" for a frequency that is not a number. */
juce::String frequencyText (double hz);

/** The plotted value with its sign ("+4.0 dB", "−4.0 dB" with U+2212, "0.0 dB"), with
    " (off scale)" beyond 20 dB; "No signal" when it is not a number. */
juce::String valueText (float value);

/** The first line of the hover box: the frequency, a middle dot and the value. */
juce::String readoutTitle (double hz, float value);

/** The two explaining lines of the hover box. */
struct Advice
{
    juce::String energy;
    juce::String action;
};

/** What the Source's energy is against the Reference's and what to do about it, from the
    plotted value. */
Advice adviceFor (float value, bool matchEqMode);

/** "Reference 3.5 pp wider", "... narrower", or "Reference and Source equally wide". */
juce::String widthVerdict (float referenceWidthPercent, float sourceWidthPercent);

/** "Reference +0.3 dB crestier", "Reference 0.8 dB less peaky", or "... equally peaky". */
juce::String crestVerdict (float referenceCrestDb, float sourceCrestDb);

/** The phase line of a band column and whether it warns (drawn in amber). */
struct PhaseVerdict
{
    juce::String text;
    bool warning = false;
};

/** "Source phase OK" or "Source phase: Cancellation risk", followed by
    " / Reference phase: Risk" when the Reference's correlation is negative. */
PhaseVerdict phaseVerdict (float referenceCorrelation, float sourceCorrelation);

/** "LOW · 20–320 Hz", "MID · 320 Hz–3 kHz", "HIGH · 3–20 kHz" for band 0, 1, 2. */
juce::String bandTitle (int band);

/** The hover box in a plot: 76 px high, at most 340 px wide, on the side away from the mouse. */
juce::Rectangle<float> hoverBoxBounds (juce::Rectangle<float> plot, float mouseX) noexcept;
}
