#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    The square button beside the waveform that expands the waveform over the meter panel and collapses it again; toggles on click (on = expanded).

    Draws itself entirely in code; what a click does is wired by the tab page. Message thread only.
*/
class WaveformZoomButton final : public juce::Button
{
public:
    /** Builds the button with its component name (the page sets tooltip and toggling). */
    explicit WaveformZoomButton (const juce::String& buttonName);
    ~WaveformZoomButton() override;

    /** Draws the hover/press/focus wash and the icon. */
    void paintButton (juce::Graphics&, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WaveformZoomButton)
};
