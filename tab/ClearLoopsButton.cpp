#include "tab/ClearLoopsButton.h"

#include "tab/ToolbarButtonPainting.h"

ClearLoopsButton::ClearLoopsButton (const juce::String& buttonName)
    : juce::Button (buttonName)
{
}

ClearLoopsButton::~ClearLoopsButton() = default;

void ClearLoopsButton::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
{
    using namespace ToolbarButtonPainting;

    const auto wash = isEnabled() ? washAlpha (*this, shouldDrawButtonAsHighlighted, shouldDrawButtonAsDown, kSquareButtonWash) : 0.0f;
    fillWash (g, squareWashArea (*this), wash);

    // The bin does not light up when toggled: it is a plain command button.
    const auto iconAlpha = ! isEnabled() ? kIconDisabled : (wash > 0.0f ? kIconFull : kIconDimmed);

    const auto c = iconCentre (*this);
    juce::Path bin;
    bin.addRoundedRectangle (c.x - 4.0f, c.y - 2.5f, 8.0f, 8.0f, 1.2f);
    bin.addRoundedRectangle (c.x - 2.0f, c.y - 1.0f, 1.0f, 5.0f, 0.5f);
    bin.addRoundedRectangle (c.x + 1.0f, c.y - 1.0f, 1.0f, 5.0f, 0.5f);
    bin.addRoundedRectangle (c.x - 5.0f, c.y - 5.0f, 10.0f, 1.5f, 0.6f);
    bin.addRoundedRectangle (c.x - 2.0f, c.y - 6.5f, 4.0f, 1.5f, 0.5f);
    bin.setUsingNonZeroWinding (false);

    g.setColour (kIconColour.withAlpha (iconAlpha));
    g.fillPath (bin);
}
