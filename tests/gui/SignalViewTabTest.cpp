#include "tab/ClearLoopsButton.h"
#include "tab/HideLoopsButton.h"
#include "tab/HistoryLegendButton.h"
#include "tab/ModernViewButton.h"
#include "tab/SignalViewTab.h"
#include "tab/WaveformZoomButton.h"

#include <gtest/gtest.h>

namespace
{
class SignalViewTabPage : public ::testing::Test
{
protected:
    SignalViewTabPage()
        : thumbnailCache (10)
    {
        formatManager.registerBasicFormats();
        page = std::make_unique<SignalViewTab> ("Mix.wav", formatManager, thumbnailCache, juce::File ("/no/such/file.wav"));
        page->setSize (1200, 652);
        page->signalDisplay.onSeek = [this] (double seconds, SignalDisplay::SeekOrigin origin)
        {
            seeks.push_back (seconds);
            EXPECT_EQ (origin, SignalDisplay::SeekOrigin::UserSeek);
        };
    }

    void restore (const char* json)
    {
        page->restoreViewState (juce::JSON::parse (json));
    }

    juce::AudioFormatManager formatManager;
    juce::AudioThumbnailCache thumbnailCache;
    std::unique_ptr<SignalViewTab> page;
    std::vector<double> seeks;
};
}

TEST_F (SignalViewTabPage, viewButtonsChooseTheViewAndTheToolbarFollows)
{
    auto& p = *page;
    EXPECT_TRUE (p.spectrumButton.getToggleState());
    EXPECT_FALSE (p.sourceLegendButton.isVisible());
    EXPECT_FALSE (p.matchModeSwitch.isVisible());

    p.setViewMode (1);
    EXPECT_EQ (p.getViewMode(), 2);
    EXPECT_FALSE (p.displayHost.differenceView.isMatchEqMode());
    EXPECT_TRUE (p.matchButton.getToggleState());
    EXPECT_TRUE (p.matchModeSwitch.isVisible());
    EXPECT_FALSE (p.matchModeSwitch.getToggleState());

    p.matchButton.onClick();
    EXPECT_TRUE (p.displayHost.differenceView.isMatchEqMode());
    EXPECT_TRUE (p.matchModeSwitch.getToggleState());

    p.setViewMode (4);
    EXPECT_TRUE (p.sourceLegendButton.isVisible() && p.referenceLegendButton.isVisible());
    EXPECT_FALSE (p.matchModeSwitch.isVisible());

    p.setViewMode (5);
    EXPECT_TRUE (p.analysisSourceSwitch.isVisible());
    EXPECT_TRUE (p.analysisButton.getToggleState());
    EXPECT_FALSE (p.spectrumButton.getToggleState());
}

TEST_F (SignalViewTabPage, expandingTheWaveformHidesTheMeterPanelAndLoopButtonsFollowTheLoops)
{
    auto& p = *page;
    EXPECT_TRUE (p.meters.isVisible());
    EXPECT_FALSE (p.hideLoopsButton.isVisible() || p.hideLoopsButton.isEnabled());

    p.zoomButton.setToggleState (true, juce::sendNotificationSync);
    p.zoomButton.onClick();
    EXPECT_FALSE (p.meters.isVisible());
    EXPECT_EQ (p.zoomButton.getTooltip(), "Collapse waveform");
    EXPECT_EQ (p.signalDisplay.getWidth(), 1176 - 28);

    p.signalDisplay.onLoopsChanged (true);
    EXPECT_TRUE (p.hideLoopsButton.isVisible() && p.clearLoopsButton.isEnabled());
    p.signalDisplay.onLoopsChanged (false);
    EXPECT_FALSE (p.clearLoopsButton.isVisible());
}

TEST_F (SignalViewTabPage, restoredViewsOrderTheirLoopsAndPickTheActiveOneAndThePlayhead)
{
    auto& display = page->signalDisplay;

    restore (R"({"regions": [], "loopsVisible": false, "playhead": 3.5})");
    EXPECT_TRUE (display.loopsVisible);
    EXPECT_FALSE (page->hideLoopsButton.getToggleState());
    EXPECT_DOUBLE_EQ (display.playheadSeconds, 3.5);

    restore (R"({"regions": [{"start": 4, "end": 2}, {"start": 5, "end": 6}, {"start": 7, "end": 8}],
                 "activeIndex": 7, "analysisUsesLoop": true})");
    ASSERT_EQ (display.loops.size(), 3);
    EXPECT_DOUBLE_EQ (display.loops[0].start, 2.0);
    EXPECT_DOUBLE_EQ (display.loops[0].end, 4.0);
    EXPECT_EQ (display.activeLoopIndex, 2);
    EXPECT_TRUE (display.loops[2].active && ! display.loops[0].active);
    EXPECT_DOUBLE_EQ (display.playheadSeconds, 2.0);
    EXPECT_TRUE (page->displayHost.analysisView.getUsesLoop());
    EXPECT_TRUE (page->analysisSourceSwitch.getToggleState());
    EXPECT_TRUE (page->hideLoopsButton.isVisible());

    restore (R"({"regions": [{"start": 1, "end": 2}], "loopsVisible": false, "playhead": -2})");
    EXPECT_FALSE (display.loopsVisible);
    EXPECT_TRUE (page->hideLoopsButton.getToggleState());
    EXPECT_EQ (page->hideLoopsButton.getTooltip(), "Show loops");
    EXPECT_DOUBLE_EQ (display.playheadSeconds, 0.0);

    EXPECT_EQ (seeks, (std::vector<double> { 3.5, 2.0, -2.0 }));

    restore ("[1, 2]");
    EXPECT_EQ (seeks.size(), 3u);
}

TEST_F (SignalViewTabPage, analysisSwitchReportsOnlyARealChangeAndItsTooltipNamesTheHalf)
{
    int reports = 0;
    page->displayHost.analysisView.onAnalysisSourceChanged = [&] { ++reports; };
    page->setViewMode (5);

    page->analysisSourceSwitch.setToggleState (true, juce::dontSendNotification);
    page->analysisSourceSwitch.onClick();
    page->analysisSourceSwitch.onClick();
    EXPECT_EQ (reports, 1);
    EXPECT_TRUE (page->displayHost.analysisView.getUsesLoop());
}

namespace
{
/** Renders a button as it is, highlighted or not. */
template <typename ButtonType>
juce::Image renderButton (ButtonType& button, bool highlighted)
{
    juce::Image image (juce::Image::ARGB, button.getWidth(), button.getHeight(), true);
    juce::Graphics g (image);
    button.paintButton (g, highlighted, false);
    return image;
}
}

// The wash shows under the mouse, but not on a disabled loop button; a view button that is on
// draws its underline in the accent.
TEST (ToolbarButtons, washesFollowHoverAndEnablementAndSelectedViewsAreUnderlined)
{
    HideLoopsButton hide ("Hide loops");
    hide.setSize (22, 22);
    EXPECT_GT (renderButton (hide, true).getPixelAt (3, 3).getAlpha(), 0);
    hide.setEnabled (false);
    EXPECT_EQ (renderButton (hide, true).getPixelAt (3, 3).getAlpha(), 0);

    ClearLoopsButton clear ("Clear all loops");
    clear.setSize (22, 22);
    EXPECT_GT (renderButton (clear, false).getPixelAt (11, 13).getAlpha(), 0);

    WaveformZoomButton zoom ("Expand waveform");
    zoom.setSize (2, 2);
    renderButton (zoom, true);

    ModernViewButton view ("SPECTRUM");
    view.setSize (98, 32);
    EXPECT_EQ (renderButton (view, false).getPixelAt (40, 31).getAlpha(), 0);
    view.setToggleState (true, juce::dontSendNotification);
    EXPECT_EQ (renderButton (view, false).getPixelAt (40, 31).getARGB(), 0xff20d39au);

    HistoryLegendButton legend ("Source", juce::Colour (0xfff2eee5));
    legend.setSize (70, 30);
    const auto on = renderButton (legend, false);
    legend.setToggleState (false, juce::dontSendNotification);
    const auto off = renderButton (legend, false);
    EXPECT_GT (on.getPixelAt (8, 15).getAlpha(), off.getPixelAt (8, 15).getAlpha());
}
