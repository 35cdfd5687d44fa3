#include "tab/views/GoniometerDisplay.h"

GoniometerDisplay::GoniometerDisplay()
{
    setOpaque (true);
}

GoniometerDisplay::~GoniometerDisplay() = default;

void GoniometerDisplay::setShowsReference (bool pointsAreReference)
{
    showsReference = pointsAreReference;
}

void GoniometerDisplay::setPoints (const std::vector<float>&, const std::vector<float>&, bool) {}

void GoniometerDisplay::clearPoints() {}

float GoniometerDisplay::getCorrelation() const
{
    const juce::ScopedLock sl (pointLock);
    return correlation;
}

std::vector<GoniometerDisplay::Point> GoniometerDisplay::getPoints() const
{
    const juce::ScopedLock sl (pointLock);
    return points;
}

void GoniometerDisplay::paint (juce::Graphics&) {}

void GoniometerDisplay::resized() {}

void GoniometerDisplay::drawCorrelationBar (juce::Graphics&, juce::Rectangle<float>, float) {}
