#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    A legend toggle of the peak-history view in the tab's toolbar: shows one series' name in
    upper case beside its colour, on while the series is visible. The tab page wires the click
    and keeps the tooltip ("Hide " / "Show " followed by the series name) up to date.
    Message thread only.
*/
class HistoryLegendButton final : public juce::Button
{
public:
    /** Builds the button for a series: button text = the name in upper case, toggled on,
        tooltip "Hide " + name. */
    HistoryLegendButton (const juce::String& seriesName, juce::Colour seriesColour);
    ~HistoryLegendButton() override;

    /** The series name as given ("Source", "Reference"). */
    const juce::String& getSeriesName() const noexcept { return seriesName; }

    /** The series colour. */
    juce::Colour getSeriesColour() const noexcept { return seriesColour; }

    /** Draws the wash, the colour swatch and the name. */
    void paintButton (juce::Graphics&, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

private:
    juce::String seriesName;
    juce::Colour seriesColour;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HistoryLegendButton)
};
