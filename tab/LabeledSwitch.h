#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    A two-position switch: a rounded track split into a left (off) and a right (on) half, each
    with a short upper-case label, and a filled knob over the half in force.

    The switch knows nothing of what it controls: its owner reads getToggleState() in onClick.
    Only the switch's own mouse and key handling changes the state (clicking does not toggle it
    through juce::Button); owners set the initial or externally driven state with
    setToggleState (..., juce::dontSendNotification). Message thread only.
*/
class LabeledSwitch : public juce::ToggleButton
{
public:
    /** Builds an off switch labelled "ON" / "OFF" with the tooltip "Choose Reference or Source". */
    LabeledSwitch();
    ~LabeledSwitch() override;

    /** Sets the labels of the right (on) and left (off) halves and repaints. */
    void setLabels (const juce::String& newOnText, const juce::String& newOffText);

    /** Sets the knob colours for the on and the off state and repaints. */
    void setColours (juce::Colour newOnColour, juce::Colour newOffColour);

    /** Sets the label font height in pixels (0 or less: automatic) and repaints. */
    void setFontHeight (float newFontHeight);

    /** The label of the right half. */
    const juce::String& getOnText() const noexcept { return onText; }
    /** The label of the left half. */
    const juce::String& getOffText() const noexcept { return offText; }
    /** The label font height; 0 or less means automatic. */
    float getFontHeight() const noexcept { return fontHeight; }
    /** The knob colour while on. */
    juce::Colour getOnColour() const noexcept { return onColour; }
    /** The knob colour while off. */
    juce::Colour getOffColour() const noexcept { return offColour; }

    /** Whether a release at x on a switch of the given width selects the right (on) half:
        from the exact middle on. Any thread. */
    static bool selectsOnAt (float x, int width) noexcept { return x >= (float) width * 0.5f; }

    /** Whether x lies over the left (off) half of a switch of the given width, with the width
        halved in whole pixels (for tooltips that name the half under the mouse). Any thread. */
    static bool isOverLeftHalf (int x, int width) noexcept { return x < width / 2; }

    /** The colour of the label drawn on a knob of the given colour: dark on a light knob,
        light on a dark one. */
    static juce::Colour knobLabelColour (juce::Colour knobColour) noexcept;

    /** Selects the half under the release point (when enabled and not dragged) and runs onClick. */
    void mouseUp (const juce::MouseEvent&) override;
    /** Space or Return without modifiers flips the switch. */
    bool keyPressed (const juce::KeyPress&) override;
    /** Draws track, labels and knob. */
    void paintButton (juce::Graphics&, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

private:
    juce::String onText { "ON" };
    juce::String offText { "OFF" };
    float fontHeight = 0.0f;
    juce::Colour onColour { 0xfff2eee5 };
    juce::Colour offColour { 0xff20d39a };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LabeledSwitch)
};
