#include "editor/DarkTabsLookAndFeel.h"

#include "engine/ThemePalette.h"

namespace
{
constexpr float kPillCorner = 5.0f;
constexpr float kAddPillInsetX = 6.0f, kAddPillInsetY = 8.0f;
constexpr float kTabPillInsetX = 3.0f, kTabPillInsetY = 4.0f;
constexpr float kAccentBarHeight = 2.0f, kAccentBarCorner = 1.0f;
constexpr float kPlusFontHeight = 16.0f, kTabFontHeight = 13.0f;
constexpr int kTextInsetX = 4, kTextInsetY = 1;

juce::Rectangle<float> reducedNotBelowZero (juce::Rectangle<float> r, float dx, float dy)
{
    return { r.getX() + dx, r.getY() + dy, juce::jmax (0.0f, r.getWidth() - 2.0f * dx), juce::jmax (0.0f, r.getHeight() - 2.0f * dy) };
}

void drawPill (juce::Graphics& g, juce::Rectangle<float> pill, juce::Colour fill, juce::Colour outline)
{
    g.setColour (fill);
    g.fillRoundedRectangle (pill, kPillCorner);
    g.setColour (outline);
    g.drawRoundedRectangle (pill, kPillCorner, 1.0f);
}
}

DarkTabsLookAndFeel::DarkTabsLookAndFeel() = default;

DarkTabsLookAndFeel::~DarkTabsLookAndFeel() = default;

int DarkTabsLookAndFeel::getTabButtonSpaceAroundImage()
{
    return 0;
}

int DarkTabsLookAndFeel::getTabButtonOverlap (int)
{
    return 0;
}

int DarkTabsLookAndFeel::getTabButtonBestWidth (juce::TabBarButton& button, int tabDepth)
{
    if (button.getButtonText() == kAddTabText)
        return kAddTabWidth;

    return juce::LookAndFeel_V2::getTabButtonBestWidth (button, tabDepth);
}

void DarkTabsLookAndFeel::drawTabButton (juce::TabBarButton& button, juce::Graphics& g, bool isMouseOver, bool isMouseDown)
{
    const auto b = button.getLocalBounds().toFloat();

    g.setColour (ThemePalette::surface);
    g.fillRect (b);

    if (isMouseDown)
        g.setColour (ThemePalette::accent.withAlpha ((juce::uint8) 0x24));
    else if (isMouseOver)
        g.setColour (juce::Colours::white.withAlpha ((juce::uint8) 0x0e));
    else
        g.setColour (juce::Colours::transparentBlack);

    g.fillRect (b);

    if (button.getButtonText() == kAddTabText)
    {
        const auto pill = reducedNotBelowZero (b, kAddPillInsetX, kAddPillInsetY);

        if (isMouseOver)
            drawPill (g, pill, ThemePalette::panelHighlight, ThemePalette::accent.withAlpha ((juce::uint8) 0xbf));
        else
            drawPill (g, pill, ThemePalette::panel, ThemePalette::border.withAlpha ((juce::uint8) 0xcc));

        g.setColour (isMouseOver ? ThemePalette::accent : ThemePalette::textDim);
        g.setFont (juce::Font (kPlusFontHeight, juce::Font::bold));
        g.drawFittedText ("+", pill.toNearestInt(), juce::Justification::centred, 1);
        return;
    }

    const auto pill = reducedNotBelowZero (b, kTabPillInsetX, kTabPillInsetY);
    const auto isFront = button.getToggleState();

    if (isFront)
    {
        drawPill (g, pill, ThemePalette::panelHighlight, ThemePalette::borderStrong);
        g.setColour (ThemePalette::accent);
        g.fillRoundedRectangle (pill.withTop (pill.getBottom() - kAccentBarHeight), kAccentBarCorner);
    }
    else
    {
        drawPill (g, pill, ThemePalette::panel, ThemePalette::border.withAlpha ((juce::uint8) 0xb2));
    }

    const auto textArea = button.getTextArea();
    const juce::Rectangle<int> textBox (textArea.getX() + kTextInsetX, textArea.getY() + kTextInsetY,
                                        juce::jmax (0, textArea.getWidth() - 2 * kTextInsetX),
                                        juce::jmax (0, textArea.getHeight() - 2 * kTextInsetY));

    g.setColour (isFront ? ThemePalette::text : ThemePalette::textDim);
    g.setFont (juce::Font (kTabFontHeight));
    g.drawFittedText (button.getButtonText(), textBox, juce::Justification::centred, 1);
}

void DarkTabsLookAndFeel::drawTabbedButtonBarBackground (juce::TabbedButtonBar&, juce::Graphics&)
{
}
