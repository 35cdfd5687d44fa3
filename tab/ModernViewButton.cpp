#include "tab/ModernViewButton.h"

#include "engine/ThemePalette.h"
#include "tab/ToolbarButtonPainting.h"

namespace
{
// View buttons show no wash for keyboard focus alone: the underline already marks the view.
constexpr ToolbarButtonPainting::WashAlphas kViewButtonWash { 0.07f, 0.035f, 0.0f };
constexpr float kCaptionHeight = 13.0f;
constexpr float kUnderlineHeight = 2.5f;
}

ModernViewButton::ModernViewButton (const juce::String& buttonName)
    : juce::TextButton (buttonName)
{
    setClickingTogglesState (false);
}

ModernViewButton::~ModernViewButton() = default;

void ModernViewButton::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
{
    using namespace ToolbarButtonPainting;

    const auto w = getWidth();
    const auto h = getHeight();
    fillWash (g, { 2.0f, 1.0f, (float) juce::jmax (w - 4, 0), (float) juce::jmax (h - 2, 0) },
              washAlpha (*this, shouldDrawButtonAsHighlighted, shouldDrawButtonAsDown, kViewButtonWash));

    const auto on = getToggleState();
    g.setColour (on ? ThemePalette::accent : ThemePalette::textDim);
    g.setFont (juce::Font (kCaptionHeight, juce::Font::bold));
    g.drawFittedText (getButtonText(), { 7, 3, juce::jmax (w - 14, 0), juce::jmax (h - 6, 0) }, juce::Justification::centred, 1);

    if (on)
    {
        g.setColour (ThemePalette::accent);
        g.fillRoundedRectangle (0.0f, (float) h - kUnderlineHeight, (float) w, kUnderlineHeight, kUnderlineHeight / 2.0f);
    }
}
