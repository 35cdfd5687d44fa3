// A user's session with the built bundle in JUCE's own VST3 host: a project with two References
// is restored, the editor opens in a real window under the test's window manager, and the test
// works in it only through the X server, as a user's mouse and keyboard would: it picks the
// second tab, draws a loop, turns level matching on, selects a band to listen to, picks Bars
// from the plot-style menu, confirms the settings dialog with OK and closes both tabs, one with
// a middle click and one with Ctrl+W. What happened is read only from outside: the output
// audio, the state the host saves and the settings file the plug-in writes. Every step leaves a
// screenshot in the build folder.
#include "editor/EditorLayout.h"
#include "editor/SettingsLayout.h"
#include "host/support/HostAudioThread.h"
#include "host/support/HostEditorWindow.h"
#include "host/support/HostStateChunks.h"
#include "host/support/HostedPlugin.h"
#include "support/AudioFileFixtures.h"
#include "support/SavedStateTrees.h"
#include "support/TemporaryFolder.h"
#include "support/XTestInput.h"
#include "support/Xdotool.h"
#include "tab/ABMetersLayout.h"
#include "tab/TabPageLayout.h"
#include "tab/WaveformGeometry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace
{
using namespace HostStateChunks;
using SavedStateTrees::blobOf;
using SavedStateTrees::stateTree;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
/** A block's worth of rest between blocks: the audio thread runs at about real time. */
constexpr auto kAudioPause = std::chrono::milliseconds (10);

/** The References: sines long enough to play through a session, at the level of a mix. */
constexpr double kReferenceSeconds = 3.0;
constexpr double kFirstFrequency = 220.0, kSecondFrequency = 330.0;
constexpr float kReferenceLevel = 0.5f;
/** The Source the host feeds in. */
constexpr double kSourceFrequency = 440.0;
constexpr float kSourceLevel = 0.25f;

/** Every wait for an effect of the user's input ends after this (it is generous for the
    sanitizer builds; a passing run waits far less). */
constexpr int kTimeoutMs = 20000;
/** Time for the last events of a gesture to reach the plug-in when nothing outside shows them. */
constexpr int kSettleMs = 150;
/** The framework's menus take no click in their first 250 ms on the screen. */
constexpr int kMenuReadyMs = 300;

/** The editor opens at its default size; everything the test clicks is placed from it. */
constexpr int kEditorWidth = 1200, kEditorHeight = 720;

/** Output levels (RMS) with the Reference playing, and with a band far above it listened to. */
constexpr float kPlayingRms = 0.05f;
constexpr float kBandListenRms = 0.01f;

/** The settings file under a user's home, where the plug-in keeps it. */
juce::File settingsFileUnder (const juce::File& home)
{
    return home.getChildFile ("Documents").getChildFile ("Audio-Kalvorin").getChildFile ("settings.txt");
}

/** Points the user's home at another folder for the scope. The plug-in finds its settings file
    in the documents folder under the home when an instance is created. */
class ScopedHome
{
public:
    explicit ScopedHome (const juce::File& home)
    {
        if (const auto* value = std::getenv ("HOME"))
            previous = value;

        setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
    }

    ~ScopedHome()
    {
        if (previous.isNotEmpty())
            setenv ("HOME", previous.toRawUTF8(), 1);
        else
            unsetenv ("HOME");
    }

private:
    juce::String previous;

    JUCE_DECLARE_NON_COPYABLE (ScopedHome)
};

/** The editor's text of a project that shows one tab per file, the first one current. */
juce::String editorTextFor (const std::vector<juce::String>& paths)
{
    juce::Array<juce::var> tabs;

    for (const auto& path : paths)
    {
        auto* tab = new juce::DynamicObject();
        tab->setProperty ("path", path);
        tabs.add (juce::var (tab));
    }

    auto* root = new juce::DynamicObject();
    root->setProperty ("tabs", tabs);
    root->setProperty ("currentTab", 0);
    return juce::JSON::toString (juce::var (root));
}

/** The Source: a steady sine. */
void writeSource (juce::AudioBuffer<float>& buffer, int blockNumber)
{
    const auto first = (double) blockNumber * buffer.getNumSamples();

    for (int i = 0; i < buffer.getNumSamples(); ++i)
    {
        const auto value = kSourceLevel * (float) std::sin (juce::MathConstants<double>::twoPi * kSourceFrequency * (first + i) / kRate);

        for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
            buffer.setSample (ch, i, value);
    }
}

/** Where the parts of the editor are, in its own coordinates, at its default size. */
struct EditorSpots
{
    EditorSpots()
        : window (EditorLayout::windowLayout (kEditorWidth, kEditorHeight)),
          pageArea (EditorLayout::tabPageBounds (kEditorWidth, kEditorHeight)),
          page (TabPageLayout::compute (pageArea.getWidth(), pageArea.getHeight(), false))
    {
    }

    /** A point of the tab page. */
    juce::Point<int> onPage (juce::Point<int> pagePoint) const { return pageArea.getPosition() + pagePoint; }

    /** A point at fractions of a part of the tab page. */
    juce::Point<int> within (juce::Rectangle<int> part, float xFraction, float yFraction) const
    {
        return onPage (part.getRelativePoint (xFraction, yFraction));
    }

    /** The middle of a Reference tab's button. A tab whose text is short is as wide as the bar's
        minimum, twice its depth, so the test names its files briefly. */
    juce::Point<int> tab (int index) const
    {
        const auto bar = EditorLayout::tabBarBounds (kEditorWidth);
        const auto width = 2 * EditorLayout::kTabBarDepth;
        return { bar.getX() + index * width + width / 2, bar.getCentreY() };
    }

    /** The segment "SOURCE" of the level-match switch: the middle third, below the switch's
        caption (its top 17 px). */
    juce::Point<int> levelMatchToSource() const
    {
        const auto meters = ABMetersLayout::compute (page.meters.getWidth(), page.meters.getHeight());
        const auto& levelMatch = meters.levelMatchSwitch;
        return onPage (page.meters.getPosition()
                       + juce::Point<int> (levelMatch.getCentreX(), levelMatch.getY() + (levelMatch.getHeight() + 17) / 2));
    }

    /** A point of the "SOURCE" segment's fill beside its caption, which is lit once the switch
        shows the choice. */
    juce::Point<int> levelMatchSourceFill() const
    {
        const auto meters = ABMetersLayout::compute (page.meters.getWidth(), page.meters.getHeight());
        return levelMatchToSource() - juce::Point<int> (meters.levelMatchSwitch.getWidth() / 8, 0);
    }

    EditorLayout::WindowLayout window;
    juce::Rectangle<int> pageArea;
    TabPageLayout page;
};

struct HostUserSession : ::testing::Test
{
    void SetUp() override
    {
        ASSERT_TRUE (XTestInput::isAvailable());
        ASSERT_TRUE (Xdotool::isAvailable());

        for (const auto& [name, frequency] : { std::pair<const char*, double> { "a.wav", kFirstFrequency },
                                               { "b.wav", kSecondFrequency } })
        {
            const auto file = folder.file (name);
            ASSERT_TRUE (AudioFileFixtures::writeSine (file, kRate, 2, kReferenceSeconds, frequency, kReferenceLevel));
            paths.push_back (file.getFullPathName());
        }

        // The user had chosen Lines earlier; the session chooses Bars again.
        ASSERT_TRUE (settingsFile().getParentDirectory().createDirectory());
        ASSERT_TRUE (settingsFile().replaceWithText ("[General]\nAnalyzerPlotStyle=Lines\n\n"));

        juce::String error;
        {
            const ScopedHome home (homeFolder());
            instance = HostedPlugin::create (KALVORIN_BUNDLE_PATH, kRate, kBlock, error);
        }
        ASSERT_NE (instance, nullptr) << error;

        instance->setPlayHead (&playHead);
        instance->prepareToPlay (kRate, kBlock);
        restore (*instance, hostChunkCarrying (blobOf (stateTree (paths, 0, 0.0, editorTextFor (paths)))));
    }

    void TearDown() override
    {
        audio.reset();
        window.reset();

        if (instance != nullptr)
            instance->releaseResources();
    }

    juce::File homeFolder() const { return folder.file ("home"); }
    juce::File settingsFile() const { return settingsFileUnder (homeFolder()); }

    /** The plug-in's own tree in what the host saves now. */
    juce::ValueTree savedTree() { return pluginTreeIn (componentStateIn (chunkOf (*instance))); }

    /** Turns the message loop until the condition holds; false when it never did. */
    static bool waitFor (const std::function<bool()>& condition)
    {
        return MessagePump::runUntil (condition, kTimeoutMs);
    }

    /** Whether the settings file holds a line. */
    bool settingsHold (const juce::String& line) const
    {
        return juce::StringArray::fromLines (settingsFile().loadFileAsString()).contains (line);
    }

    /** A point of the editor on the screen. */
    juce::Point<int> onScreen (juce::Point<int> editorPoint) const { return window->screenArea().getPosition() + editorPoint; }

    /** Whether the screen shows the accent colour at a point. */
    static bool isLit (juce::Point<int> screenPoint)
    {
        const auto pixel = grabScreenImage ({ screenPoint.x, screenPoint.y, 1, 1 });
        return pixel.isValid() && pixel.getPixelAt (0, 0).getGreen() > 150 && pixel.getPixelAt (0, 0).getRed() < 120;
    }

    /** Keeps the editor as the user sees it now. */
    void screenshot (const juce::String& name) const
    {
        EXPECT_TRUE (window->grabInto (screenshotFile ("session-" + name + ".png"))) << name;
    }

    TemporaryFolder folder;
    std::vector<juce::String> paths;
    PlayingHead playHead;
    std::unique_ptr<juce::AudioPluginInstance> instance;
    std::unique_ptr<HostEditorWindow> window;
    std::unique_ptr<HostAudioThread> audio;
    const EditorSpots spots;
};
} // namespace

TEST_F (HostUserSession, aUserWorksThroughTheWindowAndTheProjectAndSettingsKeepWhatTheyDid)
{
    window = std::make_unique<HostEditorWindow> (*instance, kBlock);
    ASSERT_NE (window->editor, nullptr);
    ASSERT_EQ (window->screenArea().getWidth(), kEditorWidth);
    ASSERT_EQ (window->screenArea().getHeight(), kEditorHeight);
    screenshot ("01-restored");

    audio = std::make_unique<HostAudioThread> (*instance, kBlock, kAudioPause, writeSource);
    ASSERT_EQ ((int) savedTree()["activeRefIndex"], 0);

    // The second tab: its Reference becomes the one that plays.
    XTestInput::click (onScreen (spots.tab (1)));
    ASSERT_TRUE (waitFor ([this] { return (int) savedTree()["activeRefIndex"] == 1; }));
    ASSERT_TRUE (waitFor ([this] { return audio->getOutputRms() > kPlayingRms; }));
    screenshot ("02-second-tab");

    // A loop over the middle of the second file, dragged out in its waveform.
    const auto& waveform = spots.page.signalDisplay;
    const juce::Point<float> loopFrom { 0.3f, 0.5f }, loopTo { 0.6f, 0.5f };
    ASSERT_TRUE (Xdotool::drag (onScreen (spots.within (waveform, loopFrom.x, loopFrom.y)),
                                onScreen (spots.within (waveform, loopTo.x, loopTo.y))));
    MessagePump::runFor (kSettleMs);
    screenshot ("03-loop");

    // Level matching: the Reference brought to the Source's loudness.
    XTestInput::click (onScreen (spots.levelMatchToSource()));
    ASSERT_TRUE (waitFor ([this] { return settingsHold ("LevelMatchMode=1"); }))
        << settingsFile().loadFileAsString();
    // As a user does, the next gesture waits until the window shows the choice. A window far
    // behind its input (the sanitizer builds on a small machine) would otherwise handle the
    // whole drag below only after the pointer's button is up again, when the framework takes
    // the press for one whose release it missed.
    ASSERT_TRUE (waitFor ([this] { return isLit (onScreen (spots.levelMatchSourceFill())); }));
    screenshot ("04-level-match");

    // A band far above the Reference's tone, selected in the spectrum: the output is that band alone.
    const auto& view = spots.page.displayHost;
    ASSERT_TRUE (Xdotool::drag (onScreen (spots.within (view, 0.80f, 0.4f)), onScreen (spots.within (view, 0.86f, 0.4f))));
    EXPECT_TRUE (waitFor ([this] { return audio->getOutputRms() < kBandListenRms; })) << audio->getOutputRms();
    screenshot ("05-band");

    // The plot-style menu of the spectrum, and its second item, Bars.
    XTestInput::click (onScreen (spots.within (view, 0.5f, 0.5f)), XTestInput::MouseButton::right);
    ASSERT_TRUE (waitFor ([] { return ! XTestInput::findWindowArea ("menu").isEmpty(); }));
    MessagePump::runFor (kMenuReadyMs);
    const auto menu = XTestInput::findWindowArea ("menu");
    EXPECT_TRUE (grabScreenArea (menu.getUnion (window->screenArea()), screenshotFile ("session-06-plot-style-menu.png")));
    XTestInput::click (menu.getRelativePoint (0.5f, 0.75f));
    ASSERT_TRUE (waitFor ([this] { return settingsHold ("AnalyzerPlotStyle=Bars"); }))
        << settingsFile().loadFileAsString();
    ASSERT_TRUE (waitFor ([] { return XTestInput::findWindowArea ("menu").isEmpty(); }));
    screenshot ("07-bars");

    // The settings dialog from the gear, confirmed as it opened.
    XTestInput::click (onScreen (spots.window.settingsButton.getCentre()));
    ASSERT_TRUE (waitFor ([] { return ! XTestInput::findWindowArea ("Settings").isEmpty(); }));
    MessagePump::runFor (kSettleMs);
    const auto dialog = XTestInput::findWindowArea ("Settings");
    EXPECT_TRUE (grabScreenArea (dialog, screenshotFile ("session-08-settings.png")));
    const auto ok = SettingsLayout::forBounds (dialog.withZeroOrigin()).okButton.getCentre();
    XTestInput::click (dialog.getPosition() + ok);
    ASSERT_TRUE (waitFor ([this] { return settingsHold ("LevelMeterUnit_1=2"); }))
        << settingsFile().loadFileAsString();
    ASSERT_TRUE (waitFor ([] { return XTestInput::findWindowArea ("Settings").isEmpty(); }));

    // The first tab closed with a middle click: the second one stays, with its loop.
    XTestInput::click (onScreen (spots.tab (0)), XTestInput::MouseButton::middle);
    ASSERT_TRUE (waitFor ([this] { return pathsIn (savedTree()).size() == 1; }));
    screenshot ("09-first-tab-closed");

    const auto afterMiddleClick = savedTree();
    EXPECT_EQ (pathsIn (afterMiddleClick), std::vector<juce::String> { paths[1] });
    EXPECT_EQ ((int) afterMiddleClick["activeRefIndex"], 0);

    const auto editorState = juce::JSON::parse (afterMiddleClick["editorStateJson"].toString());
    EXPECT_EQ ((int) editorState["currentTab"], 0);
    const auto* tabs = editorState["tabs"].getArray();
    ASSERT_NE (tabs, nullptr) << afterMiddleClick["editorStateJson"].toString();
    ASSERT_EQ (tabs->size(), 1);
    EXPECT_EQ (tabs->getReference (0)["path"].toString(), paths[1]);

    const auto& loopView = tabs->getReference (0)["view"];
    const auto* loops = loopView["regions"].getArray();
    ASSERT_NE (loops, nullptr);
    ASSERT_EQ (loops->size(), 1);
    EXPECT_EQ ((int) loopView["activeIndex"], 0);
    EXPECT_TRUE ((bool) loops->getReference (0)["active"]);

    // The loop spans the dragged stretch, to within a pixel's worth of time.
    const WaveformGeometry geometry (waveform.getWidth(), waveform.getHeight(), kReferenceSeconds);
    const auto pixelSeconds = kReferenceSeconds / geometry.getInnerWidth();
    EXPECT_NEAR ((double) loops->getReference (0)["start"], geometry.xToTime (loopFrom.x * (float) waveform.getWidth()), pixelSeconds);
    EXPECT_NEAR ((double) loops->getReference (0)["end"], geometry.xToTime (loopTo.x * (float) waveform.getWidth()), pixelSeconds);

    // The last tab closed with Ctrl+W: the window is empty again.
    XTestInput::pressWithControl ('w');
    ASSERT_TRUE (waitFor ([this] { return pathsIn (savedTree()).empty(); }));
    screenshot ("10-all-closed");

    audio.reset();
    window->close();

    const auto atTheEnd = savedTree();
    EXPECT_TRUE (pathsIn (atTheEnd).empty());
    const auto finalEditorState = juce::JSON::parse (atTheEnd["editorStateJson"].toString());
    ASSERT_NE (finalEditorState["tabs"].getArray(), nullptr);
    EXPECT_TRUE (finalEditorState["tabs"].getArray()->isEmpty());

    // The keys in the order they first reached the file: the earlier plot style, the level-match
    // switch, then what OK writes (the plot style keeps its place, now Bars).
    EXPECT_EQ (settingsFile().loadFileAsString(),
               "[General]\nAnalyzerPlotStyle=Bars\nLevelMatchMode=1\nLevelMeterUnit_1=2\nLevelMeterUnit_2=0\n"
               "PlaybackHistoryEnabled=true\nPlaybackHistorySeconds=10\n\n");
}
