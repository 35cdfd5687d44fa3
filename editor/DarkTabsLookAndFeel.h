#pragma once

#include "editor/KalvorinLookAndFeel.h"

/**
    The look of the editor's tab bar: pill-shaped Reference tabs (the front one raised with an
    accent bar), a narrow "+ ADD" tab with a plus sign, no overlap between tabs and no bar
    background, so that the editor's header band shows behind the tabs. Every colour comes from
    the theme; the bar's own text colours are not used. Message thread only.
*/
class DarkTabsLookAndFeel final : public KalvorinLookAndFeel
{
public:
    /** The text of the tab that adds a Reference. */
    static constexpr const char* kAddTabText = "+ ADD";
    /** Width of the "+ ADD" tab, whatever the bar's depth. */
    static constexpr int kAddTabWidth = 72;

    DarkTabsLookAndFeel();
    ~DarkTabsLookAndFeel() override;

    /** No space around a tab's image. */
    int getTabButtonSpaceAroundImage() override;
    /** Tabs do not overlap. */
    int getTabButtonOverlap (int tabDepth) override;
    /** 72 for "+ ADD"; otherwise the framework's width for the text, 2 to 8 times the depth. */
    int getTabButtonBestWidth (juce::TabBarButton&, int tabDepth) override;
    /** Draws one tab: ground, hover or press tint around the pill, the pill and its text. */
    void drawTabButton (juce::TabBarButton&, juce::Graphics&, bool isMouseOver, bool isMouseDown) override;
    /** Draws nothing. */
    void drawTabbedButtonBarBackground (juce::TabbedButtonBar&, juce::Graphics&) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DarkTabsLookAndFeel)
};
