#include "tab/LabeledSwitch.h"

LabeledSwitch::LabeledSwitch()
{
    setClickingTogglesState (false);
    setBufferedToImage (true);
    setTooltip ("Choose Reference or Source");
}

LabeledSwitch::~LabeledSwitch() = default;

void LabeledSwitch::setLabels (const juce::String& newOnText, const juce::String& newOffText)
{
    onText = newOnText;
    offText = newOffText;
    repaint();
}

void LabeledSwitch::setColours (juce::Colour newOnColour, juce::Colour newOffColour)
{
    onColour = newOnColour;
    offColour = newOffColour;
    repaint();
}

void LabeledSwitch::setFontHeight (float newFontHeight)
{
    fontHeight = newFontHeight;
    repaint();
}

void LabeledSwitch::mouseUp (const juce::MouseEvent& e)
{
    juce::ToggleButton::mouseUp (e);
}

bool LabeledSwitch::keyPressed (const juce::KeyPress& key)
{
    return juce::ToggleButton::keyPressed (key);
}

void LabeledSwitch::paintButton (juce::Graphics&, bool, bool)
{
}
