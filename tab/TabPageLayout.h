#pragma once

#include <juce_graphics/juce_graphics.h>

#include <array>

/**
    Where everything of a Reference tab page goes at one size, as plain numbers: the toolbar row
    with the five view buttons, the legend buttons and the switches, the view host, and the
    bottom strip with the waveform panel, its button column and the meter panel. No width or
    height is ever negative. Any thread.
*/
struct TabPageLayout
{
    /** Margin around the page's content. */
    static constexpr int kMargin = 12;
    /** Height of the toolbar row. */
    static constexpr int kToolbarHeight = 38;
    /** Width of one view button's slot. */
    static constexpr int kViewButtonSlot = 102;
    /** Width of the two legend buttons together, and of the first one. */
    static constexpr int kLegendBlockWidth = 160, kSourceLegendWidth = 70;
    /** Width of the block that holds the switches, and of one switch. */
    static constexpr int kSwitchBlockWidth = 350, kSwitchWidth = 160, kSwitchHeight = 27;
    /** Height of the bottom strip (waveform and meter panel). */
    static constexpr int kStripHeight = 150;
    /** Gaps below the toolbar and above the strip. */
    static constexpr int kToolbarGap = 6, kStripGap = 10;
    /** Smallest meter panel width, and the share of the width it takes. */
    static constexpr int kMinMeterWidth = 420, kMeterPercent = 58;
    /** Gap between the waveform panel and the meter panel. */
    static constexpr int kMeterGap = 10;
    /** Width of the button column at the waveform panel's right, and its square buttons. */
    static constexpr int kButtonColumnWidth = 28, kSquareButtonSize = 22;

    /** The layout of a page of the given size, with the waveform expanded over the meter panel
        or not. */
    static TabPageLayout compute (int width, int height, bool waveformExpanded) noexcept;

    /** The content area inside the margin. */
    juce::Rectangle<int> content;
    /** Height of the toolbar row. */
    int toolbarHeight = 0;
    /** The five view buttons, in toolbar order. */
    std::array<juce::Rectangle<int>, 5> viewButtons;
    juce::Rectangle<int> sourceLegend, referenceLegend;
    /** Both switches share these bounds (at most one shows). */
    juce::Rectangle<int> switches;
    juce::Rectangle<int> displayHost;
    /** Empty while the waveform is expanded (the meter panel is hidden then). */
    juce::Rectangle<int> meters;
    juce::Rectangle<int> waveformPanel;
    juce::Rectangle<int> signalDisplay;
    juce::Rectangle<int> zoomButton, hideLoopsButton, clearLoopsButton;
};
