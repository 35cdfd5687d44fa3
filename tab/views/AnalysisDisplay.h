#pragma once

#include "editor/AdviceReport.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>
#include <vector>

/**
    The analysis view: renders the current AdviceReport as a scrollable page (heading
    "ANALYSIS" with the report's title, then one card per non-empty section with one block per
    AdviceLine), and carries the tab's analysis-source choice (LOOP or HISTORY), which the
    editor reads when it builds the report and saves with the tab.

    Text is laid out with juce::TextLayout and cached per block. Message thread only.
*/
class AnalysisDisplay final : public juce::Component
{
public:
    /** Width of the viewport's vertical scroll bar; the page is always this much narrower. */
    static constexpr int kScrollBarThickness = 12;

    /** The scrolled page: heading, title and the section cards. */
    class Content final : public juce::Component
    {
    public:
        /** One laid-out text item with the inputs of its last layout, so that it lays out again
            only when one of them changed. */
        struct TextBlock
        {
            juce::TextLayout layout;
            /** Where the block was laid out. */
            juce::Rectangle<int> bounds;
            juce::String cachedText, cachedHeading;
            int cachedWidth = -1;
            float cachedFontHeight = 0.0f;
            juce::uint32 cachedColour = 0;
            bool cachedBold = false;

            /** (Re)lays the block out at (x, y) for a width when an input changed; returns
                its bottom y. */
            int getLayout (const juce::String& text, int x, int y, int width, juce::Colour colour,
                           float fontHeight, bool bold, const juce::String& heading);
        };

        /** One AdviceLine's block inside a card. */
        struct LineBlock
        {
            TextBlock label, value, detail, followUp;
            /** Panel behind the "WHAT TO TRY" block. */
            juce::Rectangle<int> panel;
            /** The whole block. */
            juce::Rectangle<int> card;
            /** y of the separator above the block; 0 for the first block of a section. */
            int separatorY = 0;
        };

        /** One card: a section of the report. */
        struct Section
        {
            /** Empty when the section has no lines. */
            juce::Rectangle<int> bounds;
            TextBlock header;
            std::vector<LineBlock> lineBlocks;
        };

        Content();
        ~Content() override;

        /** Lays the page out for a width; returns the height it needs. */
        int layoutForWidth (int width);

        void paint (juce::Graphics&) override;

        TextBlock titleBlock;
        /** Copy of the shown report. */
        AdviceReport shownReport;
        /** The three cards, in the order of the report's line lists. */
        std::array<Section, (size_t) AdviceReport::kNumSections> sectionCards;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Content)
    };

    /** Builds the page and shows the empty-history report. */
    AnalysisDisplay();
    ~AnalysisDisplay() override;

    /** Called by the tab after the analysis-source switch changed usesLoop. Set by the editor;
        skipped when empty. */
    std::function<void()> onAnalysisSourceChanged;

    /** Shows a report when its text (title and section texts) differs from the shown one;
        while hidden it is stored and laid out when the view becomes visible. */
    void setReport (const AdviceReport& report);

    /** The report shown. */
    const AdviceReport& getShownReport() const noexcept { return content.shownReport; }

    /** Sets whether the analysis describes completed loop passes (true) or the playback history
        (false); returns whether the value changed. Does not call onAnalysisSourceChanged. */
    bool setUsesLoop (bool shouldUseLoop);
    /** true for LOOP, false for HISTORY. */
    bool getUsesLoop() const noexcept { return usesLoop; }

    void visibilityChanged() override;
    void resized() override;

private:
    /** Lays the page out for the viewport's width (12 px less, for the scroll bar) and keeps
        the scroll position; only while visible and wider than the scroll bar. */
    void relayout();

    Content content;
    juce::Viewport viewport;
    bool usesLoop = false;
    juce::String reportSignature;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AnalysisDisplay)
};
