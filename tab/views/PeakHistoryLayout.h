#pragma once

#include <juce_graphics/juce_graphics.h>

/**
    What the peak-history view decides: which series it shows and fills, where its level cursor
    and the cursor's label go, and what the label says. Plain functions and a small value, with
    no component behind them, so they can be tested without a display. Message thread.
*/
namespace PeakHistoryLayout
{
/** The level range of the view, bottom to top, dB. */
constexpr float kMinDb = -60.0f;
constexpr float kMaxDb = 20.0f;

/** Index of the Reference and of the Source series. */
constexpr int kReferenceSeries = 0;
constexpr int kSourceSeries = 1;
/** No series is filled. */
constexpr int kNoSeries = -1;

/** Which series are shown and which one is filled when it is the only one shown. */
struct SeriesVisibility
{
    bool referenceVisible = true;
    bool sourceVisible = true;
    /** Follows a visible series: the one filled when it is shown alone. */
    int selectedSeries = kReferenceSeries;

    /** Shows or hides the Reference; the selection moves to a series that is still shown. */
    void toggleReference() noexcept;
    /** Shows or hides the Source, the mirror image of toggleReference. */
    void toggleSource() noexcept;

    /** The series drawn with a fill: the selected one when it is the only one shown; otherwise
        kNoSeries. */
    int filledSeries() const noexcept;
};

/** Whether a series of this many values makes a picture (two values or more). */
constexpr bool drawsSeries (size_t numValues) noexcept { return numValues > 1; }

/** x of value i of n across the plot, the first at its left edge and the last at its right. */
float valueX (size_t index, size_t numValues, juce::Rectangle<float> plot) noexcept;

/** Whether the level cursor shows for a mouse position (inside the plot). */
bool cursorShown (juce::Point<float> mouse, juce::Rectangle<float> plot) noexcept;

/** The cursor's height for a mouse position: the mouse's y limited to the plot. */
float cursorY (juce::Point<float> mouse, juce::Rectangle<float> plot) noexcept;

/** The level at a cursor height, dB: +20 at the plot's top, -60 at its bottom. */
float levelAt (float cursorHeight, juce::Rectangle<float> plot) noexcept;

/** The cursor label: the level with one decimal and " dB"; "-" when it is not a number. */
juce::String cursorText (float levelDb);

/** The 52 x 16 px label box beside the mouse, kept inside the plot. */
juce::Rectangle<float> cursorLabelBox (float mouseX, float cursorHeight, juce::Rectangle<float> plot) noexcept;
}
