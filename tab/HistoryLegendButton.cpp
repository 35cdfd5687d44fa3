#include "tab/HistoryLegendButton.h"

#include "tab/ToolbarButtonPainting.h"

namespace
{
constexpr ToolbarButtonPainting::WashAlphas kLegendWash { 0.09f, 0.05f, 0.05f };
constexpr float kOffAlpha = 0.35f;
constexpr float kLabelHeight = 11.0f;
constexpr int kLabelX = 18;
}

HistoryLegendButton::HistoryLegendButton (const juce::String& name, juce::Colour colour)
    : juce::Button (name), seriesName (name), seriesColour (colour)
{
    setButtonText (name.toUpperCase());
    setToggleState (true, juce::dontSendNotification);
    setTooltip ("Hide " + name);
}

HistoryLegendButton::~HistoryLegendButton() = default;

void HistoryLegendButton::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
{
    using namespace ToolbarButtonPainting;

    const auto w = getWidth();
    const auto h = getHeight();
    fillWash (g, { 0.0f, 2.0f, (float) w, (float) juce::jmax (h - 4, 0) },
              washAlpha (*this, shouldDrawButtonAsHighlighted, shouldDrawButtonAsDown, kLegendWash));

    const auto on = getToggleState();
    const auto alpha = on ? 1.0f : kOffAlpha;
    const auto cy = (float) h / 2.0f;

    juce::Path eye;
    eye.startNewSubPath (2.0f, cy);
    eye.cubicTo (5.0f, cy - 5.0f, 11.0f, cy - 5.0f, 14.0f, cy);
    eye.cubicTo (11.0f, cy + 5.0f, 5.0f, cy + 5.0f, 2.0f, cy);
    eye.closeSubPath();

    g.setColour (seriesColour.withMultipliedAlpha (alpha));
    g.strokePath (eye, juce::PathStrokeType (1.2f, juce::PathStrokeType::mitered, juce::PathStrokeType::butt));

    if (on)
        g.fillEllipse (8.0f - 1.5f, cy - 1.5f, 3.0f, 3.0f);
    else
        g.drawLine (2.0f, cy + 5.0f, 14.0f, cy - 5.0f, 1.4f);

    g.setColour (kIconColour.withMultipliedAlpha (alpha));
    g.setFont (juce::Font (kLabelHeight, juce::Font::bold));
    g.drawFittedText (getButtonText(), { kLabelX, 0, juce::jmax (w - kLabelX, 0), h }, juce::Justification::centredLeft, 1);
}
