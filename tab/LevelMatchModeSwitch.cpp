#include "tab/LevelMatchModeSwitch.h"

LevelMatchModeSwitch::LevelMatchModeSwitch() = default;

LevelMatchModeSwitch::~LevelMatchModeSwitch() = default;

void LevelMatchModeSwitch::setMode (int newMode)
{
    if (newMode != mode)
    {
        mode = newMode;
        repaint();
    }
}

int LevelMatchModeSwitch::segmentAt (float, float, int, int) noexcept
{
    return -1;
}

void LevelMatchModeSwitch::mouseMove (const juce::MouseEvent&) {}

void LevelMatchModeSwitch::mouseExit (const juce::MouseEvent&) {}

void LevelMatchModeSwitch::mouseUp (const juce::MouseEvent&) {}

void LevelMatchModeSwitch::paint (juce::Graphics&) {}
