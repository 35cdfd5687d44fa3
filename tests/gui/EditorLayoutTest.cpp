#include "editor/EditorLayout.h"
#include "editor/EditorText.h"
#include "tab/TabPageLayout.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

using Rect = juce::Rectangle<int>;

namespace
{
struct WindowCase
{
    int width, height;
    Rect bigLogo, title, hint, formats, settings;
};
}

// The empty state's block of logo, title, hint and formats line stays centred, with the logo
// at its full 210 px, anywhere within the resize limits.
TEST (EditorLayout, emptyStatePartsSitWhereTheWindowSizeAsksForThem)
{
    const WindowCase cases[] = {
        { 1200, 720, { 495, 235, 210, 210 }, { 316, 457, 568, 36 }, { 316, 505, 568, 26 }, { 316, 533, 568, 20 }, { 1146, 16, 36, 36 } },
        { 1000, 600, { 395, 175, 210, 210 }, { 216, 397, 568, 36 }, { 216, 445, 568, 26 }, { 216, 473, 568, 20 }, { 946, 16, 36, 36 } },
        { 1600, 960, { 695, 355, 210, 210 }, { 516, 577, 568, 36 }, { 516, 625, 568, 26 }, { 516, 653, 568, 20 }, { 1546, 16, 36, 36 } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.width) + " x " + juce::String (c.height));
        const auto layout = EditorLayout::windowLayout (c.width, c.height);
        EXPECT_EQ (layout.bigLogo, c.bigLogo);
        EXPECT_EQ (layout.title, c.title);
        EXPECT_EQ (layout.hint, c.hint);
        EXPECT_EQ (layout.formats, c.formats);
        EXPECT_EQ (layout.settingsButton, c.settings);
        EXPECT_EQ (layout.logoButton, Rect (13, 7, 54, 54));
        EXPECT_EQ (layout.tabs, Rect (0, 0, c.width, c.height));
    }
}

TEST (EditorLayout, tabBarSitsRightOfTheLogoAndPagesBelowTheHeader)
{
    EXPECT_EQ (EditorLayout::tabBarBounds (1200), Rect (80, 10, 946, 48));
    EXPECT_EQ (EditorLayout::tabBarBounds (100), Rect (80, 10, 0, 48));
    EXPECT_EQ (EditorLayout::tabPageBounds (1200, 720), Rect (0, 68, 1200, 652));
    EXPECT_EQ (EditorLayout::tabPageBounds (1200, 40), Rect (0, 68, 1200, 0));
}

// A 100 x 30 text box needs a 120 x 44 tooltip; it opens away from the parent's centre and
// never leaves the parent.
TEST (EditorLayout, tooltipOpensAwayFromTheCentreInEachQuarterAndStaysInside)
{
    const Rect parent (0, 0, 1200, 720);
    const juce::Point<int> text (100, 30);

    EXPECT_EQ (EditorLayout::tooltipBounds (text, { 100, 100 }, parent), Rect (116, 116, 120, 44));
    EXPECT_EQ (EditorLayout::tooltipBounds (text, { 1000, 100 }, parent), Rect (868, 116, 120, 44));
    EXPECT_EQ (EditorLayout::tooltipBounds (text, { 100, 600 }, parent), Rect (116, 548, 120, 44));
    EXPECT_EQ (EditorLayout::tooltipBounds (text, { 1000, 600 }, parent), Rect (868, 548, 120, 44));

    EXPECT_EQ (EditorLayout::tooltipBounds (text, { 1190, 710 }, parent), Rect (1058, 658, 120, 44));
    EXPECT_EQ (EditorLayout::tooltipBounds (text, { 590, 700 }, parent), Rect (606, 648, 120, 44));
    EXPECT_EQ (EditorLayout::tooltipBounds ({ 400, 20 }, { 5, 5 }, Rect (0, 0, 300, 200)), Rect (0, 21, 300, 34));
}

TEST (EditorLayout, tooltipTextWrapsAt320OrTheParentWidthLessTwenty)
{
    EXPECT_EQ (EditorLayout::tooltipTextWidth (1200, 320), 320);
    EXPECT_EQ (EditorLayout::tooltipTextWidth (200, 320), 180);
    EXPECT_EQ (EditorLayout::tooltipTextWidth (20, 320), 1);
    EXPECT_EQ (EditorLayout::tooltipTextWidth (5, 320), 1);
}

TEST (EditorLayout, tabButtonsAreSqueezedToEndSixPixelsBeforeTheOverflowButton)
{
    EXPECT_EQ (EditorLayout::tabSqueezeFactor (500, 600), 1.0);
    EXPECT_EQ (EditorLayout::tabSqueezeFactor (0, 600), 1.0);
    EXPECT_DOUBLE_EQ (EditorLayout::tabSqueezeFactor (1000, 506), 0.5);
    EXPECT_EQ (EditorLayout::tabSqueezeFactor (1000, 3), 0.0);

    // Edges round halves to even: 0.5 x 5 = 2.5 -> 2, 0.5 x 15 = 7.5 -> 8.
    EXPECT_EQ (EditorLayout::squeezeTabButton ({ 5, 10 }, 0.5), (EditorLayout::ButtonSpan { 2, 6 }));
    EXPECT_EQ (EditorLayout::squeezeTabButton ({ 96, 96 }, 0.5), (EditorLayout::ButtonSpan { 48, 48 }));
}

namespace
{
struct TitleCase
{
    const char* name;
    const char* title;
};
}

TEST (EditorText, longFileNamesAreShortenedForTheirTabs)
{
    const TitleCase cases[] = {
        { "0123456789012345678901234.wav", "012345678901234....wav" },   // 29 characters with .wav
        { "012345678901234567890123456789", "012345678901234567890\xe2\x80\xa6" }, // 30, no dot
        { ".12345678901234567890123456789", ".12345678901234567890\xe2\x80\xa6" }, // dot first
        { "12345678901234567890123456789.", "123456789012345678901\xe2\x80\xa6" }, // dot last
        { "0123456789012345678901", "0123456789012345678901" },                    // exactly 22
        { "short.wav", "short.wav" },
        { "a-long-name-with-a-long-extension.abcdefghijklmnopqrst", "a-l....abcdefghijklmnopqrst" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        EXPECT_EQ (EditorText::shortenTabTitle (juce::String::fromUTF8 (c.name)), juce::String::fromUTF8 (c.title));
    }

    EXPECT_EQ (EditorText::shortenTabTitle ("0123456789012345678901234.wav").length(), 22);
}

TEST (EditorText, tabTextsCarryTheirPositionWithAtLeastTwoDigits)
{
    EXPECT_EQ (EditorText::makeTabText (1, "Mix.wav"), "01  Mix.wav");
    EXPECT_EQ (EditorText::makeTabText (10, "Mix.wav"), "10  Mix.wav");
    EXPECT_EQ (EditorText::makeTabText (100, "Mix.wav"), "100  Mix.wav");
}

TEST (EditorText, formatsLineAndWildcardListEachExtensionOnceInRegistrationOrder)
{
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::vector<juce::StringArray> extensions;

    for (int i = 0; i < formats.getNumKnownFormats(); ++i)
        extensions.push_back (formats.getKnownFormat (i)->getFileExtensions());

    EXPECT_EQ (EditorText::makeSupportedFormatsText (extensions),
               "Supported formats: .wav, .bwf, .aiff, .aif, .flac, .ogg, .mp3");
    EXPECT_EQ (EditorText::makeFileDialogWildcard (extensions), "*.wav;*.bwf;*.aiff;*.aif;*.flac;*.ogg;*.mp3");

    EXPECT_EQ (EditorText::makeSupportedFormatsText ({}), "Supported formats: (none registered)");
    EXPECT_EQ (EditorText::makeSupportedFormatsText ({ { ".WAV", ".wav", " ", "" }, { "mp3" } }), "Supported formats: .wav, .mp3");
    EXPECT_EQ (EditorText::makeFileDialogWildcard ({ { " .WAV ", "wav", "", ".wav" }, { "mp3" } }), "*.WAV;*.mp3");
}

// The page's numbers at a normal width, with the waveform expanded, and at a width far too
// small for the minimum meter panel.
TEST (TabPageLayout, pageLaysOutAt1200AndNeverGoesNegativeWhenNarrow)
{
    const auto wide = TabPageLayout::compute (1200, 640, false);
    EXPECT_EQ (wide.viewButtons[0], Rect (14, 15, 98, 32));
    EXPECT_EQ (wide.viewButtons[4], Rect (422, 15, 98, 32));
    EXPECT_EQ (wide.sourceLegend, Rect (1028, 16, 70, 30));
    EXPECT_EQ (wide.referenceLegend, Rect (1098, 16, 90, 30));
    EXPECT_EQ (wide.switches, Rect (1028, 17, 160, 27));
    EXPECT_EQ (wide.displayHost, Rect (12, 56, 1176, 422));
    EXPECT_EQ (wide.meters, Rect (506, 488, 682, 140));
    EXPECT_EQ (wide.waveformPanel, Rect (12, 488, 484, 140));
    EXPECT_EQ (wide.signalDisplay, Rect (12, 488, 456, 140));
    EXPECT_EQ (wide.zoomButton, Rect (471, 491, 22, 22));
    EXPECT_EQ (wide.hideLoopsButton, Rect (471, 578, 22, 22));
    EXPECT_EQ (wide.clearLoopsButton, Rect (471, 603, 22, 22));

    const auto expanded = TabPageLayout::compute (1200, 640, true);
    EXPECT_TRUE (expanded.meters.isEmpty());
    EXPECT_EQ (expanded.waveformPanel, Rect (12, 488, 1176, 140));

    const auto narrow = TabPageLayout::compute (300, 400, false);
    EXPECT_EQ (narrow.meters.getWidth(), 276);
    EXPECT_EQ (narrow.waveformPanel.getWidth(), 0);
    EXPECT_EQ (narrow.signalDisplay.getWidth(), 0);
    EXPECT_EQ (narrow.viewButtons[2], Rect (218, 15, 68, 32));
    EXPECT_EQ (narrow.viewButtons[3].getWidth(), 0);
    EXPECT_EQ (narrow.viewButtons[4].getWidth(), 0);

    for (int width : { 0, 1, 20, 30, 100, 300 })
    {
        for (int height : { 0, 10, 50, 400 })
        {
            const auto layout = TabPageLayout::compute (width, height, false);

            for (const auto& r : { layout.displayHost, layout.meters, layout.waveformPanel, layout.signalDisplay,
                                   layout.sourceLegend, layout.referenceLegend, layout.switches, layout.viewButtons[0],
                                   layout.viewButtons[4] })
            {
                EXPECT_GE (r.getWidth(), 0) << width << " x " << height;
                EXPECT_GE (r.getHeight(), 0) << width << " x " << height;
            }
        }
    }
}
