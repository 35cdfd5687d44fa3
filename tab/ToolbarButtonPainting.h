#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    What the toolbar buttons of a Reference tab draw alike: the faint white wash for hover,
    press and keyboard focus, and the centre of the square icon buttons' icon. Message thread.
*/
namespace ToolbarButtonPainting
{
/** The grey of icons and labels. */
inline const juce::Colour kIconColour { 0xff94a69f };

/** Wash strengths of one button kind: pressed (with or without hover), hover only, and
    keyboard focus without hover or press (0: no wash). */
struct WashAlphas
{
    float down = 0.0f;
    float highlighted = 0.0f;
    float focused = 0.0f;
};

/** The wash alpha for a button's state; 0 when it draws none. */
inline float washAlpha (const juce::Button& button, bool highlighted, bool down, WashAlphas alphas)
{
    if (down)
        return alphas.down;

    if (highlighted)
        return alphas.highlighted;

    return button.hasKeyboardFocus (true) ? alphas.focused : 0.0f;
}

/** Fills the wash: a white rounded rectangle (corner 4) at the alpha; nothing for alpha 0. */
inline void fillWash (juce::Graphics& g, juce::Rectangle<float> area, float alpha)
{
    if (alpha <= 0.0f)
        return;

    g.setColour (juce::Colours::white.withAlpha (alpha));
    g.fillRoundedRectangle (area, 4.0f);
}

/** The wash area of the square icon buttons: 2 px inside the button. */
inline juce::Rectangle<float> squareWashArea (const juce::Component& button)
{
    return { 2.0f, 2.0f, (float) juce::jmax (button.getWidth() - 4, 0), (float) juce::jmax (button.getHeight() - 4, 0) };
}

/** The icon centre of the square icon buttons: the centre of their wash area. */
inline juce::Point<float> iconCentre (const juce::Component& button)
{
    return squareWashArea (button).getCentre();
}

/** The wash strengths of the three square icon buttons. */
constexpr WashAlphas kSquareButtonWash { 0.09f, 0.045f, 0.045f };
/** Icon opacities: with a wash or toggled on, dimmed otherwise, faint while disabled. */
constexpr float kIconFull = 1.0f, kIconDimmed = 0.65f, kIconDisabled = 0.25f;
}
