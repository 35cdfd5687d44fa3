#include "editor/DarkTabsLookAndFeel.h"
#include "editor/OswaldLookAndFeel.h"
#include "editor/ReferenceFileCheck.h"
#include "resources/EmbeddedResources.h"
#include "support/AudioFileFixtures.h"
#include "support/ProcessorHarness.h"

#include <gtest/gtest.h>

namespace
{
/** Renders a label with the given text in a font of height 30: a plain one unless a typeface is
    named. */
juce::Image renderLabel (const juce::String& text, juce::Typeface::Ptr typeface = nullptr)
{
    juce::Label label ({}, text);
    label.setFont (typeface != nullptr ? juce::Font (typeface).withHeight (30.0f) : juce::Font (30.0f));
    label.setColour (juce::Label::textColourId, juce::Colours::white);
    label.setSize (300, 50);
    return label.createComponentSnapshot (label.getLocalBounds(), true, 1.0f);
}

bool sameOpaquePixels (const juce::Image& a, const juce::Image& b)
{
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (a.getPixelAt (x, y).getAlpha() != b.getPixelAt (x, y).getAlpha())
                return false;

    return true;
}
}

// juce::Font finds its typeface through the default look-and-feel: while the editor's
// look-and-feel is the default, a plain label draws exactly as one whose font names the embedded
// Oswald, and afterwards as it did before. (The display tests' default typeface is Oswald too,
// for the whole run, so "before" cannot be told apart by its looks.)
TEST (OswaldLookAndFeel, aPlainLabelDrawsWithTheEmbeddedTypefaceWhileItIsTheDefault)
{
    const auto before = renderLabel ("Audio-Kalvorin");

    {
        OswaldLookAndFeel lookAndFeel;
        int size = 0;
        const auto* data = EmbeddedResources::lookupResource ("OswaldRegular_ttf", size);
        ASSERT_TRUE (lookAndFeel.loadTypeface (data, (size_t) size));
        lookAndFeel.installAsDefault();

        EXPECT_TRUE (sameOpaquePixels (renderLabel ("Audio-Kalvorin"), renderLabel ("Audio-Kalvorin", lookAndFeel.typeface)));

        EXPECT_EQ (lookAndFeel.getTypefaceForFont (juce::Font (12.0f, juce::Font::bold)), lookAndFeel.typeface);
        EXPECT_EQ (juce::Font (30.0f).getTypefacePtr(), lookAndFeel.typeface);
        lookAndFeel.removeAsDefault();
    }

    EXPECT_TRUE (sameOpaquePixels (renderLabel ("Audio-Kalvorin"), before));
}

TEST (OswaldLookAndFeel, withoutATypefaceItAnswersLikeTheFramework)
{
    OswaldLookAndFeel lookAndFeel;
    juce::LookAndFeel_V4 framework;
    EXPECT_EQ (lookAndFeel.typeface, nullptr);
    EXPECT_FALSE (lookAndFeel.loadTypeface (nullptr, 0));
    EXPECT_EQ (lookAndFeel.getTypefaceForFont (juce::Font (13.0f))->getName(),
               framework.getTypefaceForFont (juce::Font (13.0f))->getName());
}

// Two editors of one module hand the default look-and-feel on among themselves and leave the
// framework's in place when the last one goes, in whatever order they close.
TEST (OswaldLookAndFeel, severalEditorsHandTheDefaultOnAndRestoreTheFrameworksLast)
{
    auto& original = juce::LookAndFeel::getDefaultLookAndFeel();
    auto first = std::make_unique<OswaldLookAndFeel>();
    auto second = std::make_unique<OswaldLookAndFeel>();

    first->installAsDefault();
    second->installAsDefault();
    EXPECT_EQ (&juce::LookAndFeel::getDefaultLookAndFeel(), second.get());

    first.reset();
    EXPECT_EQ (&juce::LookAndFeel::getDefaultLookAndFeel(), second.get());

    second->removeAsDefault();
    EXPECT_EQ (&juce::LookAndFeel::getDefaultLookAndFeel(), &original);
}

TEST (DarkTabsLookAndFeel, addTabIs72WideAndAOneLetterTabTwiceTheDepth)
{
    DarkTabsLookAndFeel lookAndFeel;
    juce::TabbedButtonBar bar (juce::TabbedButtonBar::TabsAtTop);
    bar.setLookAndFeel (&lookAndFeel);
    bar.addTab ("+ ADD", juce::Colours::black, -1);
    bar.addTab ("A", juce::Colours::black, -1);
    bar.addTab (juce::String::repeatedString ("W", 200), juce::Colours::black, -1);

    for (int depth : { 48, 30 })
    {
        EXPECT_EQ (lookAndFeel.getTabButtonBestWidth (*bar.getTabButton (0), depth), 72);
        EXPECT_EQ (lookAndFeel.getTabButtonBestWidth (*bar.getTabButton (1), depth), 2 * depth);
        EXPECT_EQ (lookAndFeel.getTabButtonBestWidth (*bar.getTabButton (2), depth), 8 * depth);
    }

    EXPECT_EQ (lookAndFeel.getTabButtonOverlap (48), 0);
    EXPECT_EQ (lookAndFeel.getTabButtonSpaceAroundImage(), 0);
    bar.setLookAndFeel (nullptr);
}

// Hover and press tint only the margins around a Reference tab's pill; the pill stays.
TEST (DarkTabsLookAndFeel, hoverAndPressTintOnlyTheMarginsAroundThePill)
{
    DarkTabsLookAndFeel lookAndFeel;
    juce::TabbedButtonBar bar (juce::TabbedButtonBar::TabsAtTop);
    bar.setLookAndFeel (&lookAndFeel);
    bar.addTab ("01  Mix.wav", juce::Colours::black, -1);
    auto& button = *bar.getTabButton (0);
    button.setSize (120, 48);

    const auto render = [&] (bool over, bool down)
    {
        juce::Image image (juce::Image::ARGB, 120, 48, true);
        juce::Graphics g (image);
        lookAndFeel.drawTabButton (button, g, over, down);
        return image;
    };

    const auto plain = render (false, false);
    const auto hovered = render (true, false);
    const auto pressed = render (false, true);

    EXPECT_EQ (plain.getPixelAt (1, 1).getARGB(), 0xff0b1713u);
    EXPECT_NE (hovered.getPixelAt (1, 1).getARGB(), plain.getPixelAt (1, 1).getARGB());
    EXPECT_NE (pressed.getPixelAt (1, 1).getARGB(), hovered.getPixelAt (1, 1).getARGB());
    EXPECT_GT (pressed.getPixelAt (1, 1).getGreen(), plain.getPixelAt (1, 1).getGreen());
    EXPECT_EQ (hovered.getPixelAt (20, 24).getARGB(), plain.getPixelAt (20, 24).getARGB());
    EXPECT_EQ (plain.getPixelAt (20, 24).getARGB(), 0xff13251fu); // the front tab's pill
    bar.setLookAndFeel (nullptr);
}

TEST (KalvorinLookAndFeel, tooltipsWrapAt320AndEveryComponentShowsTheArrow)
{
    KalvorinLookAndFeel lookAndFeel;
    const juce::Rectangle<int> parent (0, 0, 1200, 720);

    const auto longTip = juce::String::repeatedString ("wrap me ", 40);
    const auto box = lookAndFeel.getTooltipBounds (longTip, { 1100, 700 }, parent);
    EXPECT_LE (box.getWidth(), 340);
    EXPECT_GT (box.getHeight(), 40);
    EXPECT_LT (box.getRight(), 1100);
    EXPECT_LT (box.getBottom(), 700);

    const auto narrow = lookAndFeel.getTooltipBounds ("two words", { 5, 5 }, { 0, 0, 20, 400 });
    EXPECT_LE (narrow.getWidth(), 20);

    juce::TextButton button;
    button.setMouseCursor (juce::MouseCursor::PointingHandCursor);
    EXPECT_EQ (lookAndFeel.getMouseCursorFor (button), juce::MouseCursor());
    EXPECT_EQ (lookAndFeel.findColour (juce::TooltipWindow::backgroundColourId).getARGB(), 0xff0e1c18u);
}

namespace
{
struct LoadCase
{
    const char* what;
    juce::File file;
    bool loadable;
};
}

TEST (ReferenceFileCheck, onlyRegularFilesThatAFormatClaimsOrReadsCanBeLoaded)
{
    TemporaryFolder folder;
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();

    const auto wav = folder.file ("x.WAV");
    AudioFileFixtures::writeSine (wav, 48000.0, 1, 0.1, 440.0);
    const auto bare = folder.file ("no-extension");
    wav.copyFileTo (bare);
    const auto text = folder.file ("notes.txt");
    text.replaceWithText ("hello");

    const LoadCase cases[] = {
        { "a folder", folder.folder, false },
        { "a missing path", folder.file ("missing.wav"), false },
        { "a text file", text, false },
        { "an upper-case extension", wav, true },
        // The framework opens files by their extension only; the processor's decoder does the
        // same, so such a file could never become a Reference.
        { "a WAV without extension", bare, false },
        { "a device", juce::File ("/dev/zero"), false },
    };

    for (const auto& c : cases)
        EXPECT_EQ (ReferenceFileCheck::canLoadFile (c.file, formats), c.loadable) << c.what;
}
