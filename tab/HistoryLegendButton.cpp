#include "tab/HistoryLegendButton.h"

HistoryLegendButton::HistoryLegendButton (const juce::String& name, juce::Colour colour)
    : juce::Button (name), seriesName (name), seriesColour (colour)
{
    setButtonText (name.toUpperCase());
    setToggleState (true, juce::dontSendNotification);
    setTooltip ("Hide " + name);
}

HistoryLegendButton::~HistoryLegendButton() = default;

void HistoryLegendButton::paintButton (juce::Graphics&, bool, bool)
{
}
