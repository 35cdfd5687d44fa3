#include "tab/HideLoopsButton.h"

#include "tab/ToolbarButtonPainting.h"

HideLoopsButton::HideLoopsButton (const juce::String& buttonName)
    : juce::Button (buttonName)
{
}

HideLoopsButton::~HideLoopsButton() = default;

void HideLoopsButton::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
{
    using namespace ToolbarButtonPainting;

    const auto wash = isEnabled() ? washAlpha (*this, shouldDrawButtonAsHighlighted, shouldDrawButtonAsDown, kSquareButtonWash) : 0.0f;
    fillWash (g, squareWashArea (*this), wash);

    const auto iconAlpha = ! isEnabled() ? kIconDisabled : (wash > 0.0f || getToggleState() ? kIconFull : kIconDimmed);
    g.setColour (kIconColour.withAlpha (iconAlpha));

    const auto c = iconCentre (*this);
    juce::Path lens;
    lens.startNewSubPath (c.x - 7.0f, c.y);
    lens.quadraticTo (c.x, c.y - 8.0f, c.x + 7.0f, c.y);
    lens.quadraticTo (c.x, c.y + 8.0f, c.x - 7.0f, c.y);
    lens.closeSubPath();
    g.strokePath (lens, juce::PathStrokeType (1.1f, juce::PathStrokeType::mitered, juce::PathStrokeType::butt));

    constexpr float pupil = 3.6f;
    g.fillEllipse (c.x - pupil / 2.0f, c.y - pupil / 2.0f, pupil, pupil);

    if (getToggleState())
        g.drawLine (c.x - 6.0f, c.y + 6.0f, c.x + 6.0f, c.y - 6.0f, 1.4f);
}
