#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    The square button beside the waveform that hides and shows the loops; toggles on click (on = loops hidden).

    Draws itself entirely in code; what a click does is wired by the tab page. Message thread only.
*/
class HideLoopsButton final : public juce::Button
{
public:
    /** Builds the button with its component name (the page sets tooltip and toggling). */
    explicit HideLoopsButton (const juce::String& buttonName);
    ~HideLoopsButton() override;

    /** Draws the hover/press/focus wash and the icon. */
    void paintButton (juce::Graphics&, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HideLoopsButton)
};
