#include "tab/ClearLoopsButton.h"

ClearLoopsButton::ClearLoopsButton (const juce::String& buttonName)
    : juce::Button (buttonName)
{
}

ClearLoopsButton::~ClearLoopsButton() = default;

void ClearLoopsButton::paintButton (juce::Graphics&, bool, bool)
{
}
