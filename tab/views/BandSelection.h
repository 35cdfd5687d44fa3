#pragma once

#include "engine/FocusBand.h"
#include "tab/views/BandAxis.h"

/**
    The band selection of a band view and the mouse gestures that change it: a click picks one
    band, a drag moves the selection or one of its edges in whole bands, a click on the close
    badge removes it, and a double click inside it switches band listen off and on.

    Each gesture returns what the view has to do (repaint, report the selection). A plain value
    with no component behind it: the view routes its mouse events here and paints the result.
    Message thread (it belongs to one view).
*/
class BandSelection final
{
public:
    /** A selected frequency range in Hz, low <= high; low = high = 0 means none. Kept as two
        plain values because juce::Range silently empties a reversed pair. */
    struct Range
    {
        double low = 0.0;
        double high = 0.0;

        /** True when nothing is selected (high - low <= 0). */
        bool isEmpty() const noexcept { return ! (high - low > 0.0); }
    };

    /** What the current drag changes. */
    enum class DragMode : int
    {
        none = 0,
        move = 1,
        lowerEdge = 2,
        upperEdge = 3
    };

    /** What a gesture asks of the view. */
    struct Outcome
    {
        /** The view has to repaint. */
        bool repaint = false;
        /** The view reports band to its owner. */
        bool report = false;
        /** The band to report; no range means band listen off. */
        FocusBand band;
    };

    /** Side of the square handle on each edge, px. */
    static constexpr float kHandleSize = 16.0f;
    /** Side of the close badge, px, and its inset from the selection's top-right corner. */
    static constexpr float kBadgeSize = 18.0f;
    static constexpr float kBadgeInset = 2.0f;

    /** Works out the handle and badge rectangles for the current selection in a plot; all
        three are empty while disabled, without a selection or for a plot of no height. */
    void updateGeometry (const BandAxis& axis, juce::Rectangle<float> plot) noexcept;

    /** A press of a button other than the right one at position in the plot (presses outside
        the plot, or while disabled, are ignored). Recomputes the geometry first. */
    Outcome press (const BandAxis& axis, juce::Rectangle<float> plot, juce::Point<float> position);

    /** A drag to x during a gesture that press started. */
    Outcome drag (const BandAxis& axis, juce::Rectangle<float> plot, float x);

    /** The end of a gesture that press started: reports the selection (band listen on) or no
        range when there is none (band listen off). */
    Outcome release();

    /** A double click of a button other than the right one: inside the selection's column it
        flips band listen and reports the result. */
    Outcome doubleClick (const BandAxis& axis, juce::Rectangle<float> plot, juce::Point<float> position);

    /** Takes over another view's selection without reporting it. A range that is not a number
        anywhere, or empty, clears the selection and band listen; anything else is limited to
        the axis' frequency limits. Ends any drag and recomputes the geometry for plot. */
    void mirror (const BandAxis& axis, juce::Rectangle<float> plot, Range newSelection, bool newBandListenOn);

    /** Turns the selection off for good: clears it, band listen, the drag and the geometry.
        Returns the report of no range. */
    Outcome disable();

    /** The selection as a band for band listen (no range when empty). */
    FocusBand toFocusBand() const;

    Range selection;
    Range dragStartSelection;
    DragMode dragMode = DragMode::none;
    double grabOffsetHz = 0.0;
    int dragBandCount = 1;
    bool bandListenOn = true;
    bool snapToBands = true;
    bool selectionEnabled = true;

    juce::Rectangle<float> lowerHandleBounds, upperHandleBounds, badgeBounds;

private:
    Range limitBothEnds (const BandAxis& axis, double low, double high) const noexcept;
    Range dragEdge (const BandAxis& axis, double hz) const noexcept;
};
