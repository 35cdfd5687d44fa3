#include "tab/WaveformZoomButton.h"

#include "tab/ToolbarButtonPainting.h"

WaveformZoomButton::WaveformZoomButton (const juce::String& buttonName)
    : juce::Button (buttonName)
{
}

WaveformZoomButton::~WaveformZoomButton() = default;

void WaveformZoomButton::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
{
    using namespace ToolbarButtonPainting;

    const auto wash = washAlpha (*this, shouldDrawButtonAsHighlighted, shouldDrawButtonAsDown, kSquareButtonWash);
    fillWash (g, squareWashArea (*this), wash);

    const auto c = iconCentre (*this);
    juce::Path icon;
    icon.startNewSubPath (c.x - 4.0f, c.y + 4.0f);
    icon.lineTo (c.x + 4.0f, c.y - 4.0f);
    icon.startNewSubPath (c.x - 4.0f, c.y + 1.0f);
    icon.lineTo (c.x - 4.0f, c.y + 4.0f);
    icon.lineTo (c.x - 1.0f, c.y + 4.0f);
    icon.startNewSubPath (c.x + 1.0f, c.y - 4.0f);
    icon.lineTo (c.x + 4.0f, c.y - 4.0f);
    icon.lineTo (c.x + 4.0f, c.y - 1.0f);

    g.setColour (kIconColour.withAlpha (wash > 0.0f || getToggleState() ? kIconFull : kIconDimmed));
    g.strokePath (icon, juce::PathStrokeType (1.1f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
}
