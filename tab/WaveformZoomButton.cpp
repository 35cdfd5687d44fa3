#include "tab/WaveformZoomButton.h"

WaveformZoomButton::WaveformZoomButton (const juce::String& buttonName)
    : juce::Button (buttonName)
{
}

WaveformZoomButton::~WaveformZoomButton() = default;

void WaveformZoomButton::paintButton (juce::Graphics&, bool, bool)
{
}
