#include "tab/views/DifferenceDisplay.h"

#include "engine/ThemePalette.h"

DifferenceDisplay::DifferenceDisplay()
    : diffColour (ThemePalette::sourceSignal), matchColour (ThemePalette::accent)
{
}

DifferenceDisplay::~DifferenceDisplay() = default;

void DifferenceDisplay::setLevelDifference (bool valid, float)
{
    levelDifferenceValid = valid;
}

void DifferenceDisplay::setBandStats (const BandStats& stats)
{
    bandStats = stats;
}

void DifferenceDisplay::clearStats() {}

void DifferenceDisplay::setMatchEqMode (bool shouldShowMatchEq)
{
    matchEqMode = shouldShowMatchEq;
}

void DifferenceDisplay::visibilityChanged() {}

void DifferenceDisplay::drawContent (juce::Graphics&, juce::Rectangle<float>) {}

void DifferenceDisplay::drawHoverReadout (juce::Graphics&, juce::Rectangle<float>) {}
