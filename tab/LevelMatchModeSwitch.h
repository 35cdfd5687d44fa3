#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/**
    The three-way selector of the level-match mode under the caption "LEVEL MATCH": segments
    "OFF", "SOURCE" and "QUIETEST" for the modes 0, 1 and 2 of LevelMatchMode.

    It only shows and reports the mode; the meter panel sets it and forwards the reports.
    Message thread only.
*/
class LevelMatchModeSwitch final : public juce::Component
{
public:
    /** Number of segments (one per level-match mode). */
    static constexpr int kNumSegments = 3;

    /** Builds the switch in mode 0 with no segment under the mouse. */
    LevelMatchModeSwitch();
    ~LevelMatchModeSwitch() override;

    /** Called with the segment's mode on every click in a segment, also when the mode did not
        change. Set by the meter panel; skipped when empty. Message thread. */
    std::function<void (int mode)> onModeChanged;

    /** Sets the shown mode (the owner clamps it to 0..2); repaints only when it changed. */
    void setMode (int newMode);

    /** The selected mode, 0..2. */
    int getMode() const noexcept { return mode; }

    /** The segment under the mouse, -1 for none. */
    int getHoverSegment() const noexcept { return hoverSegment; }

    /** The segment (0..2) that a point in local coordinates of a switch of the given size hits,
        or -1 when it lies outside the clickable strip. Any thread. */
    static int segmentAt (float x, float y, int width, int height) noexcept;

    void mouseMove (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void paint (juce::Graphics&) override;

private:
    int mode = 0;
    int hoverSegment = -1;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LevelMatchModeSwitch)
};
