#include "tab/views/BandSelection.h"

#include <cmath>

namespace
{
// The plot's right edge still belongs to the last band: a click on it selects that band.
bool plotContains (juce::Rectangle<float> plot, juce::Point<float> position) noexcept
{
    return position.x >= plot.getX() && position.x <= plot.getRight() && plot.getWidth() > 0.0f
        && position.y >= plot.getY() && position.y < plot.getBottom();
}
}

void BandSelection::updateGeometry (const BandAxis& axis, juce::Rectangle<float> plot) noexcept
{
    lowerHandleBounds = upperHandleBounds = badgeBounds = {};

    if (! selectionEnabled || selection.isEmpty() || ! (plot.getHeight() > 0.0f))
        return;

    const auto x0 = axis.frequencyToX (selection.low, plot);
    const auto x1 = x0 + std::max (axis.frequencyToX (selection.high, plot) - x0, 1.0f);
    const auto middleY = plot.getY() + plot.getHeight() * 0.5f;
    const auto halfHandle = kHandleSize * 0.5f;

    lowerHandleBounds = { x0 - halfHandle, middleY - halfHandle, kHandleSize, kHandleSize };
    upperHandleBounds = { x1 - halfHandle, middleY - halfHandle, kHandleSize, kHandleSize };
    badgeBounds = { x1 - kBadgeSize - kBadgeInset, plot.getY() + kBadgeInset, kBadgeSize, kBadgeSize };
}

BandSelection::Outcome BandSelection::press (const BandAxis& axis, juce::Rectangle<float> plot, juce::Point<float> position)
{
    if (! selectionEnabled || ! plotContains (plot, position))
        return {};

    updateGeometry (axis, plot);

    if (badgeBounds.contains (position))
    {
        selection = {};
        bandListenOn = false;
        dragMode = DragMode::none;
        return { true, true, FocusBand {} };
    }

    if (lowerHandleBounds.contains (position) || upperHandleBounds.contains (position))
    {
        dragMode = lowerHandleBounds.contains (position) ? DragMode::lowerEdge : DragMode::upperEdge;
        dragStartSelection = selection;
        return {};
    }

    const auto hzUnderMouse = axis.limitFrequency (axis.xToFrequency (position.x, plot));

    if (axis.getRangeBounds (selection.low, selection.high, plot).contains (position))
    {
        dragMode = DragMode::move;
        dragStartSelection = selection;
        grabOffsetHz = hzUnderMouse - selection.low;
        dragBandCount = std::max (axis.findNearestBandEdge (selection.high) - axis.findNearestBandEdge (selection.low), 1);
        return {};
    }

    const auto band = axis.bandIndexAtX (position.x, plot);
    const auto low = axis.getEdge (band);
    selection = { low, std::max (axis.getEdge (band + 1), low) };
    bandListenOn = true;
    dragMode = DragMode::move;
    dragStartSelection = selection;
    dragBandCount = 1;
    grabOffsetHz = hzUnderMouse - low;
    return { true, false, FocusBand {} };
}

BandSelection::Outcome BandSelection::drag (const BandAxis& axis, juce::Rectangle<float> plot, float x)
{
    if (! selectionEnabled || dragMode == DragMode::none)
        return {};

    const auto hz = axis.limitFrequency (axis.xToFrequency (x, plot));

    if (dragMode != DragMode::move)
    {
        selection = dragEdge (axis, hz);
        return { true, false, FocusBand {} };
    }

    auto width = dragStartSelection.high - dragStartSelection.low;

    if (! snapToBands)
        width = std::max (width, 0.5 * axis.getMinBandSpacing());

    const auto newLow = hz - grabOffsetHz;
    const auto moved = limitBothEnds (axis, newLow, newLow + width);

    if (snapToBands)
    {
        const auto bandCount = std::max (dragBandCount, 1);
        const auto start = juce::jlimit (0, std::max (axis.getNumEdges() - 1 - bandCount, 0),
                                         axis.findNearestBandEdge (moved.low));
        selection = limitBothEnds (axis, axis.getEdge (start), axis.getEdge (start + bandCount));
    }
    else
    {
        selection = moved;
    }

    return { true, false, FocusBand {} };
}

BandSelection::Range BandSelection::dragEdge (const BandAxis& axis, double hz) const noexcept
{
    const auto startLow = dragStartSelection.low;
    const auto startHigh = dragStartSelection.high;
    const bool lower = dragMode == DragMode::lowerEdge;

    // Snapped: the edge that is not dragged stays where it was, and the dragged one stops one
    // whole band short of it, so the selection never jumps past it and never leaves the edges.
    if (snapToBands)
    {
        if (lower)
        {
            const auto edge = std::min (axis.findNearestBandEdge (hz), axis.findEdgeBelow (startHigh));
            return limitBothEnds (axis, axis.getEdge (edge), startHigh);
        }

        const auto edge = std::max (axis.findNearestBandEdge (hz), axis.findEdgeAbove (startLow));
        return limitBothEnds (axis, startLow, axis.getEdge (edge));
    }

    const auto minimumWidth = 0.5 * axis.getMinBandSpacing();
    auto result = lower ? limitBothEnds (axis, std::min (startHigh - minimumWidth, hz), startHigh)
                        : limitBothEnds (axis, startLow, std::max ({ minimumWidth + startLow, hz, startLow }));

    if (result.high - result.low < minimumWidth)
        result = lower ? limitBothEnds (axis, result.high - minimumWidth, result.high)
                       : limitBothEnds (axis, result.low, result.low + minimumWidth);

    return result;
}

BandSelection::Outcome BandSelection::release()
{
    if (! selectionEnabled || dragMode == DragMode::none)
    {
        dragMode = DragMode::none;
        return {};
    }

    dragMode = DragMode::none;
    bandListenOn = ! selection.isEmpty();
    return { false, true, toFocusBand() };
}

BandSelection::Outcome BandSelection::doubleClick (const BandAxis& axis, juce::Rectangle<float> plot, juce::Point<float> position)
{
    if (! selectionEnabled || selection.isEmpty())
        return {};

    if (! axis.getRangeBounds (selection.low, selection.high, plot).contains (position))
        return {};

    bandListenOn = ! bandListenOn;
    return { true, true, bandListenOn ? toFocusBand() : FocusBand {} };
}

void BandSelection::mirror (const BandAxis& axis, juce::Rectangle<float> plot, Range newSelection, bool newBandListenOn)
{
    if (! selectionEnabled)
        return;

    const bool usable = std::isfinite (newSelection.low) && std::isfinite (newSelection.high) && ! newSelection.isEmpty();
    selection = usable ? limitBothEnds (axis, newSelection.low, newSelection.high) : Range {};

    if (selection.isEmpty())
        selection = {};

    bandListenOn = ! selection.isEmpty() && newBandListenOn;
    dragMode = DragMode::none;
    updateGeometry (axis, plot);
}

BandSelection::Outcome BandSelection::disable()
{
    selectionEnabled = false;
    selection = {};
    bandListenOn = false;
    dragMode = DragMode::none;
    lowerHandleBounds = upperHandleBounds = badgeBounds = {};
    return { true, true, FocusBand {} };
}

FocusBand BandSelection::toFocusBand() const
{
    if (selection.isEmpty())
        return {};

    return makeFocusBand (selection.low, selection.high);
}

BandSelection::Range BandSelection::limitBothEnds (const BandAxis& axis, double low, double high) const noexcept
{
    const auto a = axis.limitFrequency (low);
    const auto b = axis.limitFrequency (high);
    return { std::min (a, b), std::max (a, b) };
}
