// The editor's timer and the tab callbacks it wires, with the real editor and a processor whose
// processBlock runs in the test: the output switch and "monitorRef" agree both ways, the
// level-match switch reaches the engine, the settings and every tab, and each tick feeds the
// current tab from what the engine measured.

#include "support/AudioFileFixtures.h"
#include "support/EditorPlayback.h"
#include "support/MessageLoop.h"
#include "support/MouseEvents.h"
#include "tab/DisplayHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

namespace
{
constexpr double kSampleRate = 48000.0;
constexpr double kReferenceSeconds = 6.0;

/** A stereo sine of the given amplitude and frequency. */
juce::AudioBuffer<float> makeSine (float amplitude, double frequency, double seconds)
{
    juce::AudioBuffer<float> buffer (2, (int) (seconds * kSampleRate));

    for (int i = 0; i < buffer.getNumSamples(); ++i)
    {
        const auto value = amplitude * (float) std::sin (juce::MathConstants<double>::twoPi * frequency * i / kSampleRate);
        buffer.setSample (0, i, value);
        buffer.setSample (1, i, value);
    }

    return buffer;
}

/** Counts the host's notifications of parameter changes. */
struct HostNotifications final : juce::AudioProcessorListener
{
    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float newValue) override
    {
        ++changes;
        lastValue = newValue;
    }

    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}

    std::atomic<int> changes { 0 };
    std::atomic<float> lastValue { -1.0f };
};

/** An editor over a processor holding the given Reference files (sines of 0.5), one tab each. */
class EditorTimer : public ::testing::Test
{
protected:
    KalvorinAudioProcessorEditor& openWith (const juce::StringArray& names)
    {
        return session.openWithReferences (names, kReferenceSeconds);
    }

    KalvorinAudioProcessor& processor() { return *session.harness.processor; }

    float monitorValue() { return processor().parameters.getRawParameterValue ("monitorRef")->load(); }

    /** Every Reference tab's page, in tab order. */
    std::vector<SignalViewTab*> pages() const
    {
        std::vector<SignalViewTab*> result;

        for (int i = 0; i < session.editor->getTabs().getNumTabs(); ++i)
            if (auto* page = session.editor->getReferencePage (i))
                result.push_back (page);

        return result;
    }

    EditorSession session;
};

/** Clicks the segment of a level-match switch that selects the mode. */
void clickLevelMatchSegment (LevelMatchModeSwitch& levelMatch, int mode)
{
    const auto width = levelMatch.getWidth();
    const auto height = levelMatch.getHeight();
    const auto x = (float) width * ((float) mode + 0.5f) / (float) LevelMatchModeSwitch::kNumSegments;

    for (int y = 0; y < height; ++y)
    {
        if (LevelMatchModeSwitch::segmentAt (x, (float) y + 0.5f, width, height) == mode)
        {
            MouseEvents::click (levelMatch, { x, (float) y + 0.5f });
            return;
        }
    }

    ADD_FAILURE() << "no segment " << mode << " in a switch of " << width << " x " << height;
}
} // namespace

// The switch moves the host parameter (with the host told), and the parameter, also when a
// host automates it from its audio thread, moves every tab's switch on the next tick without
// calling any tab back.
TEST_F (EditorTimer, theOutputSwitchAndTheHostParameterAgreeBothWays)
{
    auto& editor = openWith ({ "A.wav", "B.wav" });
    const auto tabPages = pages();
    ASSERT_EQ (tabPages.size(), 2u);

    HostNotifications host;
    processor().addListener (&host);

    auto& outputSwitch = tabPages[0]->meters.outputSwitch;
    ASSERT_GT (outputSwitch.getWidth(), 0);
    MouseEvents::click (outputSwitch, { (float) outputSwitch.getWidth() * 0.25f, (float) outputSwitch.getHeight() * 0.5f });

    EXPECT_EQ (monitorValue(), 1.0f);
    EXPECT_GE (host.changes.load(), 1);
    EXPECT_EQ (host.lastValue.load(), 1.0f);
    EXPECT_EQ (tabPages[1]->meters.getOutputSelection(), OutputSelection::Reference);

    editor.timerCallback();

    for (auto* page : tabPages)
    {
        EXPECT_EQ (page->meters.getOutputSelection(), OutputSelection::Source);
        EXPECT_FALSE (page->meters.outputSwitch.getToggleState());
    }

    int callbacks = 0;

    for (auto* page : tabPages)
    {
        page->onOutputSelectionChanged = [&callbacks] (OutputSelection) { ++callbacks; };
        page->meters.onOutputSelectionChanged = [&callbacks] (OutputSelection) { ++callbacks; };
    }

    std::thread automation ([this] { processor().parameters.getParameter ("monitorRef")->setValueNotifyingHost (0.0f); });
    automation.join();

    EXPECT_EQ (tabPages[0]->meters.getOutputSelection(), OutputSelection::Source);
    editor.timerCallback();

    for (auto* page : tabPages)
    {
        EXPECT_EQ (page->meters.getOutputSelection(), OutputSelection::Reference);
        EXPECT_TRUE (page->meters.outputSwitch.getToggleState());
    }

    EXPECT_EQ (callbacks, 0);
    processor().removeListener (&host);
}

// A click on a level-match segment: the engine matches by the new mode, the settings file
// keeps it, and every tab shows it.
TEST_F (EditorTimer, theLevelMatchSwitchSetsTheEnginesModeSavesItAndUpdatesEveryTab)
{
    auto& editor = openWith ({ "A.wav", "B.wav" });
    const auto tabPages = pages();
    ASSERT_EQ (tabPages.size(), 2u);
    ASSERT_EQ (tabPages[0]->meters.getLevelMatchMode(), 0);

    // The Source is about 14 dB quieter than the Reference (a sine of 0.5).
    EditorPlayback playback (session, makeSine (0.1f, 1000.0, 1.0));
    session.harness.playHead.playing = true;
    playback.playFor (4.0);
    EXPECT_NEAR (processor().referenceGainDb.load(), 0.0f, 1.0e-3f);

    clickLevelMatchSegment (tabPages[0]->meters.levelMatchSwitch, static_cast<int> (LevelMatchMode::ReferenceToSource));

    for (auto* page : tabPages)
        EXPECT_EQ (page->meters.getLevelMatchMode(), 1);

    EXPECT_EQ (processor().settingsStore.getInt (SettingsStore::kGeneralSection, "LevelMatchMode", -1), 1);
    const auto settingsFile = session.folder.file ("settings.txt");
    ASSERT_TRUE (settingsFile.existsAsFile());
    EXPECT_TRUE (settingsFile.loadFileAsString().contains ("LevelMatchMode")) << settingsFile.loadFileAsString();

    playback.playFor (1.0);
    EXPECT_LT (processor().referenceGainDb.load(), -10.0f);
    EXPECT_NEAR (processor().sourceGainDb.load(), 0.0f, 1.0e-3f);

    clickLevelMatchSegment (tabPages[1]->meters.levelMatchSwitch, static_cast<int> (LevelMatchMode::Off));
    playback.playFor (1.0);
    EXPECT_NEAR (processor().referenceGainDb.load(), 0.0f, 1.0e-3f);
    EXPECT_EQ (tabPages[0]->meters.getLevelMatchMode(), 0);
    juce::ignoreUnused (editor);
}

// Ticks between blocks of a playing engine light the current tab's readouts with what both
// signals measure (the Source's true peak over full scale), fill the live snapshot with
// spectra, stereo points and one peak-series value per tick, and a stopped transport blanks
// the held peaks on the next tick. The tab is rendered to editor-tab-playing.png.
TEST_F (EditorTimer, ticksBetweenBlocksLightTheCurrentTabsReadoutsAndFillTheLiveSnapshot)
{
    auto& editor = openWith ({ "A.wav" });
    auto* page = session.currentPage();
    ASSERT_NE (page, nullptr);

    EditorPlayback playback (session, makeSine (1.2f, 997.0, 1.0));
    session.harness.playHead.playing = true;
    const auto seriesBefore = editor.getLiveSnapshot().referencePeakSeries.size();
    const auto ticks = playback.playFor (4.0);
    ASSERT_GT (ticks, 90);

    const auto& values = page->meters.getValues();
    EXPECT_TRUE (values.transportPlaying);

    for (const auto value : { values.referenceShortTermLufs, values.sourceShortTermLufs, values.referenceRmsDb, values.sourceRmsDb,
                              values.referenceIntegratedLufs, values.sourceIntegratedLufs, values.referenceTruePeakDb,
                              values.sourceTruePeakDb, values.referencePeakDb, values.sourcePeakDb })
        EXPECT_TRUE (std::isfinite (value));

    EXPECT_NEAR (values.referencePeakDb, -6.02f, 0.1f);
    EXPECT_GT (values.sourceTruePeakDb, 0.0f);
    EXPECT_GT (values.sourceShortTermLufs, values.referenceShortTermLufs + 6.0f);
    EXPECT_TRUE (values.levelMatchReady);

    const auto& live = editor.getLiveSnapshot();
    EXPECT_GT (live.referenceSpectrum.size(), 1u);
    EXPECT_GT (live.sourceSpectrum.size(), 1u);
    EXPECT_DOUBLE_EQ (live.referenceSampleRate, kSampleRate);
    EXPECT_FALSE (live.referenceLeft.empty());
    EXPECT_FALSE (live.sourceLeft.empty());
    EXPECT_EQ (live.referencePeakSeries.size(), seriesBefore + (size_t) ticks);
    EXPECT_NEAR (live.playheadSeconds, 4.0, 0.1);

    session.saveScreenshot ("editor-tab-playing.png");

    session.harness.playHead.playing = false;
    playback.playOneTick();
    EXPECT_FALSE (page->meters.getValues().transportPlaying);
    EXPECT_TRUE (std::isnan (page->meters.getValues().sourceTruePeakDb));
    EXPECT_TRUE (std::isnan (page->meters.getValues().referencePeakDb));
}

// The timer runs at the rate that the current tab's view needs, and at the slowest without a
// Reference tab.
TEST_F (EditorTimer, theIntervalFollowsTheCurrentTabsView)
{
    auto& editor = openWith ({ "A.wav", "B.wav" });
    // The window starts at 30 Hz; on a busy machine its own timer may already have ticked while
    // the test turned the message loop, which moves it to the Spectrum view's rate.
    EXPECT_TRUE (editor.getTimerInterval() == 33 || editor.getTimerInterval() == 41) << editor.getTimerInterval();

    editor.timerCallback();
    EXPECT_EQ (editor.getTimerInterval(), 41);

    const std::pair<ViewMode, int> views[] = {
        { ViewMode::Stereo, 33 }, { ViewMode::History, 66 }, { ViewMode::Analysis, 41 }, { ViewMode::Match, 41 }, { ViewMode::Spectrum, 41 }
    };

    for (const auto& [mode, interval] : views)
    {
        session.currentPage()->setViewMode (static_cast<int> (mode));
        editor.timerCallback();
        EXPECT_EQ (editor.getTimerInterval(), interval) << static_cast<int> (mode);
    }

    editor.getTabs().setCurrentTabIndex (-1);
    ASSERT_EQ (session.currentPage(), nullptr);
    editor.timerCallback();
    EXPECT_EQ (editor.getTimerInterval(), 83);
}

// What the settings dialog writes reaches every tab on the next tick: the meter units, the plot
// style, and a history switched off, which every tab's analysis says.
TEST_F (EditorTimer, settingsReachEveryTabOnTheNextTick)
{
    auto& editor = openWith ({ "A.wav", "B.wav" });
    auto& store = processor().settingsStore;
    store.setValue (SettingsStore::kGeneralSection, "LevelMeterUnit_1", "3");
    store.setValue (SettingsStore::kGeneralSection, "LevelMeterUnit_2", "4");
    store.setValue (SettingsStore::kGeneralSection, "AnalyzerPlotStyle", "Lines");
    store.setValue (SettingsStore::kGeneralSection, "PlaybackHistoryEnabled", "false");
    editor.timerCallback();

    for (auto* page : pages())
    {
        EXPECT_EQ (page->meters.getLeftUnit(), MeterUnit::LufsIntegrated);
        EXPECT_EQ (page->meters.getRightUnit(), MeterUnit::Peak);
        EXPECT_EQ (page->displayHost.spectrumView.getPlotStyle(), BandDisplayBase::PlotStyle::Lines);
        EXPECT_EQ (page->displayHost.differenceView.getPlotStyle(), BandDisplayBase::PlotStyle::Lines);
        EXPECT_TRUE (page->displayHost.analysisView.getShownReport().title.startsWith ("Playback history is disabled."))
            << page->displayHost.analysisView.getShownReport().title;
    }

    // A tab built afterwards starts with the units and style in force.
    processor().addReference (session.writeWav ("C.wav").getFullPathName());
    editor.filesDropped ({ session.folder.file ("C.wav").getFullPathName() }, 0, 0);
    deliverPendingMessages();
    ASSERT_EQ (pages().size(), 3u);
    EXPECT_EQ (pages()[2]->meters.getLeftUnit(), MeterUnit::LufsIntegrated);
    EXPECT_EQ (pages()[2]->displayHost.spectrumView.getPlotStyle(), BandDisplayBase::PlotStyle::Lines);
}

// Only the current tab's waveform polls the playhead, and it polls the active Reference's.
TEST_F (EditorTimer, onlyTheCurrentTabsWaveformFollowsTheEnginesPlayhead)
{
    auto& editor = openWith ({ "A.wav", "B.wav" });
    const auto tabPages = pages();
    ASSERT_EQ (tabPages.size(), 2u);

    for (int current = 0; current < 2; ++current)
    {
        editor.getTabs().setCurrentTabIndex (current);
        EXPECT_EQ (processor().getActiveReferenceIndex(), current);

        for (int i = 0; i < 2; ++i)
            EXPECT_EQ (tabPages[(size_t) i]->signalDisplay.isPlayheadTimerRunning(), i == current) << current << " " << i;

        auto& display = tabPages[(size_t) current]->signalDisplay;
        ASSERT_TRUE (display.hasPlayheadSource && display.getPlayheadSeconds);
        processor().requestSeek (1.25 + current);
        EXPECT_DOUBLE_EQ (display.getPlayheadSeconds(), 1.25 + current);
    }
}
