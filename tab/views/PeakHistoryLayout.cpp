#include "tab/views/PeakHistoryLayout.h"

#include <cmath>

namespace
{
constexpr float kLabelWidth = 52.0f;
constexpr float kLabelHeight = 16.0f;
constexpr float kLabelInset = 2.0f;
constexpr float kLabelOffsetX = 58.0f;      // left of the mouse
}

namespace PeakHistoryLayout
{
void SeriesVisibility::toggleReference() noexcept
{
    referenceVisible = ! referenceVisible;

    if (! referenceVisible && selectedSeries == kReferenceSeries && sourceVisible)
        selectedSeries = kSourceSeries;
    else if (referenceVisible && ! sourceVisible && selectedSeries != kReferenceSeries)
        selectedSeries = kReferenceSeries;
}

void SeriesVisibility::toggleSource() noexcept
{
    sourceVisible = ! sourceVisible;

    if (! sourceVisible && selectedSeries == kSourceSeries && referenceVisible)
        selectedSeries = kReferenceSeries;
    else if (sourceVisible && ! referenceVisible && selectedSeries != kSourceSeries)
        selectedSeries = kSourceSeries;
}

int SeriesVisibility::filledSeries() const noexcept
{
    if (referenceVisible && ! sourceVisible && selectedSeries == kReferenceSeries)
        return kReferenceSeries;

    if (sourceVisible && ! referenceVisible && selectedSeries == kSourceSeries)
        return kSourceSeries;

    return kNoSeries;
}

float valueX (size_t index, size_t numValues, juce::Rectangle<float> plot) noexcept
{
    if (numValues < 2)
        return plot.getX();

    return plot.getX() + (float) index / (float) (numValues - 1) * std::max (plot.getWidth(), 1.0f);
}

bool cursorShown (juce::Point<float> mouse, juce::Rectangle<float> plot) noexcept
{
    return mouse.x >= plot.getX() && mouse.x < plot.getRight() && mouse.y >= plot.getY() && mouse.y < plot.getBottom();
}

float cursorY (juce::Point<float> mouse, juce::Rectangle<float> plot) noexcept
{
    return juce::jlimit (plot.getY(), plot.getBottom(), mouse.y);
}

float levelAt (float cursorHeight, juce::Rectangle<float> plot) noexcept
{
    auto share = plot.getBottom() - cursorHeight;

    if (plot.getHeight() > 1.0f)
        share /= plot.getHeight();

    return kMinDb + (kMaxDb - kMinDb) * share;
}

juce::String cursorText (float levelDb)
{
    if (! std::isfinite (levelDb))
        return "-";

    return juce::String (levelDb, 1) + " dB";
}

juce::Rectangle<float> cursorLabelBox (float mouseX, float cursorHeight, juce::Rectangle<float> plot) noexcept
{
    const auto leftmost = plot.getX() + kLabelInset;
    const auto besideMouse = mouseX - kLabelOffsetX;
    const auto left = leftmost > besideMouse ? leftmost : std::min (plot.getRight() - kLabelWidth - kLabelInset, besideMouse);

    const auto aboveCursor = cursorHeight - kLabelHeight * 0.5f;
    const auto top = plot.getY() > aboveCursor ? plot.getY() : std::min (plot.getBottom() - kLabelHeight, aboveCursor);

    return { std::round (left), std::round (top), kLabelWidth, kLabelHeight };
}
}
