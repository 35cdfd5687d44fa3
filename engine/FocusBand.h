#pragma once

#include <juce_core/juce_core.h>

#include <optional>

/**
    The frequency band the user selected in a band view, in Hz (start = lower edge, end = upper
    edge). No range means that band listen is off.

    Beware: juce::Range's two-value constructor never holds a reversed range; Range (1000, 100)
    silently becomes the empty range 1000 ... 1000. A band dragged from right to left must be made
    with makeFocusBand() (or juce::Range<double>::between), which orders the two edges.
*/
using FocusBand = std::optional<juce::Range<double>>;

/** Makes the band between two edges given in either order (any thread). */
inline FocusBand makeFocusBand (double firstEdgeHz, double secondEdgeHz) noexcept
{
    return juce::Range<double>::between (firstEdgeHz, secondEdgeHz);
}
