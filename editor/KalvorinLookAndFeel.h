#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    The plug-in's common look-and-feel: dark tooltips in the theme's colours, placed beside the
    pointer and kept inside their parent, and the standard arrow cursor for every component.

    The editor's tooltip window and the settings dialog use it directly; the tab bar's and the
    editor's own look-and-feels derive from it. Message thread only.
*/
class KalvorinLookAndFeel : public juce::LookAndFeel_V4
{
public:
    /** Largest width of a tooltip's text before it wraps. */
    static constexpr int kTooltipMaxTextWidth = 320;
    /** Text height of a tooltip. */
    static constexpr float kTooltipFontHeight = 13.0f;

    /** The framework's default colour scheme with the tooltip colours of the theme. */
    KalvorinLookAndFeel();
    ~KalvorinLookAndFeel() override;

    /** Always the standard arrow, whatever cursor the component asks for. */
    juce::MouseCursor getMouseCursorFor (juce::Component&) override;

    /** The tooltip window's bounds: below right of the pointer in the upper left of the parent
        area, flipped to the left or above in the other parts, never outside the area. */
    juce::Rectangle<int> getTooltipBounds (const juce::String& tipText, juce::Point<int> screenPos,
                                           juce::Rectangle<int> parentArea) override;

    /** A rounded dark box with a strong outline and the wrapped text. */
    void drawTooltip (juce::Graphics&, const juce::String& text, int width, int height) override;

    /** The tooltip text laid out at a maximum width (word wrap, top-left). */
    static juce::TextLayout layoutTooltipText (const juce::String& text, float maxWidth);

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KalvorinLookAndFeel)
};
