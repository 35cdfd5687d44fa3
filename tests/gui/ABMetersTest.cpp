#include "engine/ThemePalette.h"
#include "resources/EmbeddedResources.h"
#include "support/MouseEvents.h"
#include "support/ViewTestKit.h"
#include "tab/ABMeters.h"
#include "tab/ABMetersLayout.h"

#include <gtest/gtest.h>

namespace
{
constexpr int kWidth = 760;
constexpr int kHeight = 150;

/** Readings of both signals while playing: the Source's true peak is over full scale. */
ABMeters::Values playingValues()
{
    ABMeters::Values v;
    v.transportPlaying = true;
    v.sourceShortTermLufs = -10.43f;
    v.sourceTruePeakDb = 0.4f;
    v.sourcePeakDb = -0.2f;
    v.sourceIntegratedLufs = -11.0f;
    v.referenceShortTermLufs = -8.76f;
    v.referenceTruePeakDb = -1.2f;
    v.referencePeakDb = -1.5f;
    v.referenceIntegratedLufs = -9.1f;
    v.referenceGainDb = -1.7f;
    v.sourceGainDb = 0.0f;
    v.levelMatchReady = true;
    return v;
}

/** The look-and-feel the plug-in draws with: the embedded Oswald as the default typeface. */
struct OswaldLookAndFeel final : juce::LookAndFeel_V4
{
    OswaldLookAndFeel()
    {
        setDefaultSansSerifTypeface (juce::Typeface::createSystemTypefaceFor (EmbeddedResources::OswaldRegular_ttf,
                                                                              (size_t) EmbeddedResources::OswaldRegular_ttfSize));
    }
};

/** Writes a picture into the build folder's "screenshots" folder, for a person to look at. */
bool writeScreenshot (const juce::Image& image, const juce::String& name)
{
    const auto folder = juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                            .getParentDirectory().getChildFile ("screenshots");

    if (! folder.createDirectory().wasOk())
        return false;

    const auto file = folder.getChildFile (name);
    file.deleteFile();
    juce::FileOutputStream out (file);
    return out.openedOk() && juce::PNGImageFormat().writeImageToStream (image, out);
}
} // namespace

TEST (ABMeters, theOutputSwitchReportsChoicesButNotTheSelectionsItIsGiven)
{
    ABMeters meters;
    meters.setSize (kWidth, kHeight);
    meters.setVisible (true);

    juce::Array<int> reported;
    meters.onOutputSelectionChanged = [&] (OutputSelection s) { reported.add (static_cast<int> (s)); };

    EXPECT_EQ (meters.getOutputSelection(), OutputSelection::Reference);
    EXPECT_TRUE (meters.outputSwitch.getToggleState());

    // The host moved "monitorRef": the switch follows without calling back.
    meters.setOutputSelection (OutputSelection::Source);
    EXPECT_FALSE (meters.outputSwitch.getToggleState());
    EXPECT_TRUE (reported.isEmpty());

    // The user clicks the right half: Reference, reported (twice, with the same value).
    auto& button = meters.outputSwitch;
    MouseEvents::click (button, { button.getWidth() - 4.0f, button.getHeight() / 2.0f });
    EXPECT_EQ (meters.getOutputSelection(), OutputSelection::Reference);
    EXPECT_EQ (reported, juce::Array<int> ({ 0, 0 }));

    EXPECT_EQ (outputSelectionForMonitorValue (0.0f), OutputSelection::Reference);
    EXPECT_EQ (outputSelectionForMonitorValue (1.0f), OutputSelection::Source);
    EXPECT_EQ (monitorValueFor (OutputSelection::Source), 1.0f);
}

TEST (ABMeters, theLevelMatchSwitchReportsEveryClickAndSetModesAreClamped)
{
    ABMeters meters;
    meters.setSize (kWidth, kHeight);
    meters.setVisible (true);

    juce::Array<int> reported;
    meters.onLevelMatchModeChanged = [&] (int mode) { reported.add (mode); };

    auto& modeSwitch = meters.levelMatchSwitch;
    ASSERT_GE (modeSwitch.getHeight(), 21);
    MouseEvents::click (modeSwitch, { modeSwitch.getWidth() * 0.9f, modeSwitch.getHeight() - 8.0f });
    MouseEvents::click (modeSwitch, { modeSwitch.getWidth() * 0.9f, modeSwitch.getHeight() - 8.0f });
    EXPECT_EQ (meters.getLevelMatchMode(), 2);
    EXPECT_EQ (reported, juce::Array<int> ({ 2, 2 }));

    meters.setLevelMatchMode (7);
    EXPECT_EQ (meters.getLevelMatchMode(), 2);
    meters.setLevelMatchMode (-3);
    EXPECT_EQ (meters.getLevelMatchMode(), 0);
    EXPECT_EQ (modeSwitch.getMode(), 0);
    EXPECT_EQ (reported.size(), 2);
}

TEST (ABMeters, equalUnitsAreSeparated)
{
    ABMeters meters;
    EXPECT_EQ (meters.getLeftUnit(), MeterUnit::LufsShortTerm);
    EXPECT_EQ (meters.getRightUnit(), MeterUnit::TruePeak);

    meters.setMeterUnits (2, 2);
    EXPECT_EQ (meters.getRightUnit(), MeterUnit::TruePeak);
    meters.setMeterUnits (0, 0);
    EXPECT_EQ (meters.getLeftUnit(), MeterUnit::TruePeak);
    EXPECT_EQ (meters.getRightUnit(), MeterUnit::LufsShortTerm);
    meters.setMeterUnits (4, 4);
    EXPECT_EQ (meters.getLeftUnit(), MeterUnit::Peak);
    EXPECT_EQ (meters.getRightUnit(), MeterUnit::LufsShortTerm);
}

TEST (ABMeters, theLayoutSplitsTheWidthAndNeverGoesNegative)
{
    const auto layout = ABMetersLayout::compute (kWidth, kHeight);
    // Inner 740 x 130: a left column of 310, the 106 px of switches centred (offset 12).
    EXPECT_EQ (layout.outputCaption, juce::Rectangle<int> (10, 22, 310, 17));
    EXPECT_EQ (layout.outputSwitch, juce::Rectangle<int> (10, 41, 310, 27));
    EXPECT_EQ (layout.levelMatchSwitch, juce::Rectangle<int> (10, 80, 310, 48));
    EXPECT_EQ (layout.sourcePanel, juce::Rectangle<int> (328, 10, 207, 130));
    EXPECT_EQ (layout.referencePanel, juce::Rectangle<int> (543, 10, 207, 130));

    for (const auto [w, h] : { std::pair<int, int> { 0, 0 }, { 5, 5 }, { 30, 25 }, { 45, 200 }, { -10, -10 } })
    {
        const auto small = ABMetersLayout::compute (w, h);

        for (const auto& r : { small.outputCaption, small.outputSwitch, small.levelMatchSwitch,
                               small.sourcePanel, small.referencePanel })
            EXPECT_TRUE (r.getWidth() >= 0 && r.getHeight() >= 0) << w << "x" << h << ": " << r.toString();
    }
}

// The panel as the user sees it while both signals play: every readout lit, the Source's true
// peak over full scale in amber. The picture goes to the build folder to be looked at.
TEST (ABMeters, rendersBothSignalsWithAnAmberPeak)
{
    OswaldLookAndFeel lookAndFeel;
    ABMeters meters;
    meters.setLookAndFeel (&lookAndFeel);
    meters.setSize (kWidth, kHeight);
    meters.setLevelMatchMode (2);
    meters.setValues (playingValues());

    const auto image = meters.createComponentSnapshot (meters.getLocalBounds(), true, 2.0f);

    EXPECT_TRUE (writeScreenshot (image, "meter-panel-playing.png"));

    // Somewhere in the Source panel's value rows there is amber, and none in the Reference's.
    const auto layout = ABMetersLayout::compute (kWidth, kHeight);
    const auto containsAmber = [&image] (juce::Rectangle<int> area)
    {
        for (int y = area.getY() * 2; y < area.getBottom() * 2; ++y)
            for (int x = area.getX() * 2; x < area.getRight() * 2; ++x)
                if (image.getPixelAt (x, y) == ThemePalette::warning)
                    return true;
        return false;
    };

    EXPECT_TRUE (containsAmber (layout.sourcePanel));
    EXPECT_FALSE (containsAmber (layout.referencePanel));

    // Stopped, with readings that are no number and other units: only LUFS-I stays lit.
    auto stopped = playingValues();
    stopped.transportPlaying = false;
    stopped.sourceTruePeakDb = std::numeric_limits<float>::quiet_NaN();
    stopped.referenceGainDb = std::numeric_limits<float>::infinity();
    meters.setValues (stopped);
    meters.setMeterUnits (3, 7);
    EXPECT_TRUE (writeScreenshot (meters.createComponentSnapshot (meters.getLocalBounds(), true, 2.0f),
                                  "meter-panel-stopped.png"));

    meters.setLookAndFeel (nullptr);
}

TEST (ABMeters, repaintingOnlyWhatTheReadingsChangedDrawsTheSamePicture)
{
    OswaldLookAndFeel lookAndFeel;
    ABMeters meters;
    meters.setLookAndFeel (&lookAndFeel);
    meters.setSize (kWidth, kHeight);
    meters.setVisible (true);
    meters.setValues (playingValues());

    const auto louder = []
    {
        auto v = playingValues();
        v.sourceShortTermLufs = -9.12f;
        v.referenceTruePeakDb = 0.3f;
        return v;
    }();
    const auto regained = []
    {
        auto v = playingValues();
        v.referenceGainDb = -2.4f;
        v.levelMatchReady = false;
        return v;
    }();
    const auto stopped = []
    {
        auto v = playingValues();
        v.transportPlaying = false;
        return v;
    }();

    struct Step
    {
        const char* what;
        std::function<void()> change;
        bool repaints;
        bool redrawsSwitches;
    };

    const Step steps[] {
        { "the same readings again", [&] { meters.setValues (playingValues()); }, false, false },
        { "a new level and an over peak", [&] { meters.setValues (louder); }, true, false },
        { "a new gain, matching not ready", [&] { meters.setValues (regained); }, true, false },
        { "another level-match mode", [&] { meters.setLevelMatchMode (1); }, true, true },
        { "the same mode again", [&] { meters.setLevelMatchMode (1); }, false, false },
        { "the transport stopped", [&] { meters.setValues (stopped); }, true, false },
        { "playing again", [&] { meters.setValues (playingValues()); }, true, false },
    };

    const auto layout = ABMetersLayout::compute (kWidth, kHeight);

    for (const auto& step : steps)
    {
        SCOPED_TRACE (step.what);
        const auto before = ViewTestKit::render (meters);
        const auto areas = ViewTestKit::recordRepaints (meters, step.change);

        EXPECT_EQ (! areas.isEmpty(), step.repaints);
        // The switches are drawn again only when what they show changed.
        EXPECT_FALSE (areas.intersects (layout.outputSwitch));
        EXPECT_EQ (areas.intersects (layout.levelMatchSwitch), step.redrawsSwitches);
        EXPECT_EQ (ViewTestKit::countDifferentPixels (ViewTestKit::renderInto (before, meters, areas),
                                                      ViewTestKit::render (meters)), 0);
    }

    meters.setLookAndFeel (nullptr);
}
