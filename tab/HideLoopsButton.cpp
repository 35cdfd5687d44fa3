#include "tab/HideLoopsButton.h"

HideLoopsButton::HideLoopsButton (const juce::String& buttonName)
    : juce::Button (buttonName)
{
}

HideLoopsButton::~HideLoopsButton() = default;

void HideLoopsButton::paintButton (juce::Graphics&, bool, bool)
{
}
