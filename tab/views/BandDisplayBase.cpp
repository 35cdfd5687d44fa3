#include "tab/views/BandDisplayBase.h"

BandDisplayBase::BandDisplayBase()
{
    setOpaque (true);
}

BandDisplayBase::~BandDisplayBase() = default;

void BandDisplayBase::pushSpectrum (const std::vector<float>&, Series, double) {}

void BandDisplayBase::clearSpectra() {}

void BandDisplayBase::invalidateBandLevels() noexcept
{
    bandLevelsValid = false;
}

void BandDisplayBase::setPlotStyle (PlotStyle style)
{
    plotStyle = style;
}

void BandDisplayBase::setLevelRange (float newMinDb, float newMaxDb)
{
    minDb = newMinDb;
    maxDb = newMaxDb;
}

void BandDisplayBase::setBottomMargin (float newBottomMargin)
{
    bottomMargin = newBottomMargin;
}

void BandDisplayBase::setShowHoverReadout (bool shouldShow)
{
    showHoverReadout = shouldShow;
}

void BandDisplayBase::setSelectionEnabled (bool shouldBeEnabled)
{
    selectionEnabled = shouldBeEnabled;
}

void BandDisplayBase::mirrorSelection (Selection, bool) {}

std::vector<double> BandDisplayBase::getBandEdges()
{
    return { minFrequency, maxFrequency };
}

double BandDisplayBase::getBandEdge (int)
{
    return minFrequency;
}

int BandDisplayBase::findNearestBandEdge (double)
{
    return 0;
}

juce::Range<double> BandDisplayBase::snapRangeToBandEdges (double, double)
{
    return {};
}

double BandDisplayBase::getMinBandSpacing()
{
    return 0.0;
}

double BandDisplayBase::xToFrequency (float, juce::Rectangle<float>)
{
    return minFrequency;
}

float BandDisplayBase::frequencyToX (double, juce::Rectangle<float>)
{
    return 0.0f;
}

juce::Rectangle<float> BandDisplayBase::getSelectionBounds (juce::Rectangle<float>)
{
    return {};
}

juce::Rectangle<float> BandDisplayBase::getPlotArea() const noexcept
{
    return {};
}

float BandDisplayBase::bandLevelDb (const std::vector<float>&, double, double, double)
{
    return kFloorDb;
}

float BandDisplayBase::interpolateLevel (const std::vector<float>&, const std::vector<double>&, int, int, float)
{
    return kFloorDb;
}

void BandDisplayBase::mouseMove (const juce::MouseEvent&) {}
void BandDisplayBase::mouseExit (const juce::MouseEvent&) {}
void BandDisplayBase::mouseDown (const juce::MouseEvent&) {}
void BandDisplayBase::mouseDrag (const juce::MouseEvent&) {}
void BandDisplayBase::mouseUp (const juce::MouseEvent&) {}
void BandDisplayBase::mouseDoubleClick (const juce::MouseEvent&) {}
void BandDisplayBase::paint (juce::Graphics&) {}

void BandDisplayBase::drawHoverReadout (juce::Graphics&, juce::Rectangle<float>) {}
void BandDisplayBase::drawGrid (juce::Graphics&, juce::Rectangle<float>) {}
void BandDisplayBase::drawAxisLabels (juce::Graphics&, juce::Rectangle<float>, juce::Rectangle<float>) {}
void BandDisplayBase::timerCallback() {}
