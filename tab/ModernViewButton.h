#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    One of the five view buttons of a Reference tab's toolbar ("SPECTRUM", "MATCH", "STEREO",
    "HISTORY", "ANALYSIS"). It does not toggle on click: its toggle state only mirrors the page's
    view mode, which the page sets. Message thread only.
*/
class ModernViewButton final : public juce::TextButton
{
public:
    /** Builds the button; the name is also its caption. */
    explicit ModernViewButton (const juce::String& buttonName);
    ~ModernViewButton() override;

    /** Draws the wash, the caption and the selected state in fixed colours. */
    void paintButton (juce::Graphics&, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ModernViewButton)
};
