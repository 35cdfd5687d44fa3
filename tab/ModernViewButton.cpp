#include "tab/ModernViewButton.h"

ModernViewButton::ModernViewButton (const juce::String& buttonName)
    : juce::TextButton (buttonName)
{
    setClickingTogglesState (false);
}

ModernViewButton::~ModernViewButton() = default;

void ModernViewButton::paintButton (juce::Graphics&, bool, bool)
{
}
