#include "editor/KalvorinLookAndFeel.h"

#include "editor/EditorLayout.h"
#include "engine/ThemePalette.h"

namespace
{
constexpr float kTooltipCorner = 5.0f;
constexpr int kTooltipTextInsetX = 10;
constexpr int kTooltipTextInsetY = 7;
}

KalvorinLookAndFeel::KalvorinLookAndFeel()
{
    setColour (juce::TooltipWindow::backgroundColourId, ThemePalette::panel);
    setColour (juce::TooltipWindow::textColourId, ThemePalette::text);
    setColour (juce::TooltipWindow::outlineColourId, ThemePalette::borderStrong);
}

KalvorinLookAndFeel::~KalvorinLookAndFeel() = default;

juce::MouseCursor KalvorinLookAndFeel::getMouseCursorFor (juce::Component&)
{
    return {};
}

juce::TextLayout KalvorinLookAndFeel::layoutTooltipText (const juce::String& text, float maxWidth)
{
    juce::AttributedString attributed;
    attributed.setJustification (juce::Justification::topLeft);
    attributed.setWordWrap (juce::AttributedString::byWord);
    attributed.append (text, juce::Font (kTooltipFontHeight), ThemePalette::text);

    juce::TextLayout layout;
    layout.createLayout (attributed, maxWidth);
    return layout;
}

juce::Rectangle<int> KalvorinLookAndFeel::getTooltipBounds (const juce::String& tipText, juce::Point<int> screenPos,
                                                            juce::Rectangle<int> parentArea)
{
    const auto maxWidth = EditorLayout::tooltipTextWidth (parentArea.getWidth(), kTooltipMaxTextWidth);
    const auto layout = layoutTooltipText (tipText, (float) maxWidth);

    return EditorLayout::tooltipBounds ({ (int) std::ceil (layout.getWidth()), (int) std::ceil (layout.getHeight()) },
                                        screenPos, parentArea);
}

void KalvorinLookAndFeel::drawTooltip (juce::Graphics& g, const juce::String& text, int width, int height)
{
    const juce::Rectangle<float> box (0.5f, 0.5f, (float) juce::jmax (0, width - 1), (float) juce::jmax (0, height - 1));

    g.setColour (ThemePalette::panel);
    g.fillRoundedRectangle (box, kTooltipCorner);
    g.setColour (ThemePalette::borderStrong);
    g.drawRoundedRectangle (box, kTooltipCorner, 1.0f);

    const auto layout = layoutTooltipText (text, (float) juce::jmax (1, width - 2 * kTooltipTextInsetX));
    layout.draw (g, { (float) kTooltipTextInsetX, (float) kTooltipTextInsetY,
                      (float) juce::jmax (0, width - 2 * kTooltipTextInsetX),
                      (float) juce::jmax (0, height - 2 * kTooltipTextInsetY) });
}
