#include "tab/views/SpectrumDisplay.h"

SpectrumDisplay::SpectrumDisplay() = default;

SpectrumDisplay::~SpectrumDisplay() = default;

void SpectrumDisplay::requestSnap()
{
    snapRequested = true;
    repaint();
}

juce::Path SpectrumDisplay::buildCurvePath (const std::vector<float>&, juce::Rectangle<float>, int)
{
    return {};
}

void SpectrumDisplay::strokeCurvePath (juce::Graphics&, juce::Rectangle<float>, const juce::Path&,
                                       juce::Colour, float, float)
{
}

void SpectrumDisplay::drawContent (juce::Graphics&, juce::Rectangle<float>) {}
