#include "tab/DisplayHost.h"

DisplayHost::DisplayHost()
{
    setOpaque (true);
    currentView = &spectrumView;
    addAndMakeVisible (spectrumView);
}

DisplayHost::~DisplayHost() = default;

void DisplayHost::setViewMode (int newMode)
{
    viewMode = newMode;
}

juce::Component& DisplayHost::getViewForMode (int) noexcept
{
    return spectrumView;
}

void DisplayHost::showViewMenu (juce::Point<int>) {}

void DisplayHost::mouseUp (const juce::MouseEvent&) {}

void DisplayHost::paint (juce::Graphics&) {}

void DisplayHost::resized() {}
