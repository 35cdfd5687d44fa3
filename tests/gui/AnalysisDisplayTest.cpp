#include "tab/views/AnalysisDisplay.h"
#include "engine/ThemePalette.h"
#include "support/GuiSupport.h"

#include <gtest/gtest.h>

namespace
{
// A report with two lines in the tonal section and one in the stereo section, as the advice
// generator would write them.
AdviceReport makeReport (const juce::String& title = "12.0 s of saved playback / 9.0 s ready to compare.")
{
    AdviceReport report;
    report.title = title;
    report.addLine (0, { "Bass weight (63 Hz - 80 Hz)", "Your mix has less bass weight than the Reference.",
                         "In your EQ, try raising this range by 1-2 dB first. Listen again before making a bigger change.",
                         "Average gap: 6.1 dB." });
    report.addLine (0, { "Warmth (317 Hz - 399 Hz)", "Your mix has more here in some passages and less in others.",
                         "Listen to those passages separately before changing EQ across the whole track.", {} });
    report.addLine (1, { "Bass (20-320 Hz)", "Some sounds may get quieter or disappear in mono, when left and right are combined. ",
                         "Switch your monitoring to mono and listen. If the mix loses body, reduce widening or stereo-delay effects. ",
                         "Negative correlation in 25% of recorded readings." });
    return report;
}

AnalysisDisplay::Content& contentOf (AnalysisDisplay& display)
{
    auto* viewport = dynamic_cast<juce::Viewport*> (display.getChildComponent (0));
    return *dynamic_cast<AnalysisDisplay::Content*> (viewport->getViewedComponent());
}
}

TEST (AnalysisDisplay, aReportWithTheSameTextIsIgnored)
{
    AnalysisDisplay display;
    display.setBounds (0, 0, 800, 600);
    display.setVisible (true);
    display.setReport (makeReport());

    auto sameText = makeReport();
    sameText.lines[0].pop_back(); // the lists are not compared; the section texts stand for them
    display.setReport (sameText);
    EXPECT_EQ (display.getShownReport().lines[0].size(), 2u);

    display.setReport (makeReport ("Another title"));
    EXPECT_EQ (display.getShownReport().title, "Another title");
}

TEST (AnalysisDisplay, whatToTrySitsBesideTheFindingFrom676PixelsAndBelowItUnder)
{
    AnalysisDisplay::Content content;
    content.shownReport = makeReport();

    content.layoutForWidth (676);
    const auto& wide = content.sectionCards[0].lineBlocks[0];
    EXPECT_EQ (wide.value.bounds.getWidth(), 308);
    EXPECT_EQ (wide.panel.getX(), 308 + 42);
    EXPECT_EQ (wide.panel.getWidth(), 676 - 36 - 24 - 308);
    EXPECT_EQ (wide.panel.getY(), wide.value.bounds.getY());

    content.layoutForWidth (675);
    const auto& narrow = content.sectionCards[0].lineBlocks[0];
    EXPECT_EQ (narrow.value.bounds.getWidth(), 675 - 36);
    EXPECT_EQ (narrow.panel.getX(), 18);
    EXPECT_EQ (narrow.panel.getY(), narrow.value.bounds.getBottom() + 12);
}

TEST (AnalysisDisplay, cardsStackTheirBlocksWithSeparatorsBetweenThem)
{
    AnalysisDisplay::Content content;
    content.shownReport = makeReport();
    const int height = content.layoutForWidth (700);

    const auto& tone = content.sectionCards[0];
    const auto& first = tone.lineBlocks[0];
    const auto& second = tone.lineBlocks[1];
    EXPECT_EQ (first.separatorY, 0);
    EXPECT_EQ (second.separatorY, second.label.bounds.getY() - 16);
    EXPECT_EQ (second.separatorY, first.card.getBottom());

    // A line without follow-up ends 16 px below the larger of its finding and its panel.
    EXPECT_TRUE (second.followUp.bounds.isEmpty());
    EXPECT_EQ (second.card.getBottom(), juce::jmax (second.value.bounds.getBottom(), second.panel.getBottom()) + 16);

    EXPECT_EQ (tone.bounds.getBottom(), second.card.getBottom() + 2);
    EXPECT_TRUE (content.sectionCards[2].bounds.isEmpty());
    EXPECT_EQ (height, content.sectionCards[1].lineBlocks[0].card.getBottom() + 16);
}

TEST (AnalysisDisplay, aReportThatArrivesWhileHiddenIsLaidOutForItsWidthWhenShown)
{
    AnalysisDisplay display;
    display.setBounds (0, 0, 720, 500);
    display.setReport (makeReport());

    auto& content = contentOf (display);
    EXPECT_TRUE (content.sectionCards[0].lineBlocks.empty());

    display.setVisible (true);
    EXPECT_EQ (content.getWidth(), 720 - 32 - 12);
    ASSERT_EQ (content.sectionCards[0].lineBlocks.size(), 2u);
    EXPECT_EQ (content.sectionCards[0].lineBlocks[0].value.bounds.getWidth(), (676 - 36 - 24) / 2);
    EXPECT_GE (content.getHeight(), 500 - 24);
}

TEST (AnalysisDisplay, aNewViewShowsTheEmptyHistoryTextWithoutCards)
{
    AnalysisDisplay display;
    EXPECT_TRUE (display.getShownReport().title.startsWith ("No playback history yet."));
    EXPECT_TRUE (display.getShownReport().hasNoFindings());
}

// Rendered for a person to look at: build/tests/screenshots/analysis-view-*.png.
TEST (AnalysisDisplay, rendersTheReportAsCardsInBothWidths)
{
    for (const int width : { 1100, 600 })
    {
        AnalysisDisplay display;
        display.setBounds (0, 0, width, 620);
        display.setVisible (true);
        display.setReport (makeReport());

        const auto image = GuiSupport::writeScreenshot (display, "analysis-view-" + juce::String (width),
                                                        ThemePalette::panel);
        const auto& card = contentOf (display).sectionCards[0];
        const auto cardPixel = image.getPixelAt (16 + card.bounds.getX() + 4, 12 + card.bounds.getY() + 30);
        EXPECT_EQ (cardPixel, ThemePalette::surface) << width;
    }
}
