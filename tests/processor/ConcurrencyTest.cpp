// The processor between two threads, as in a host: one thread processes blocks the way JUCE's
// VST3 layer does (under the callback lock, silence while suspended), while the message thread
// does everything the editor and the host's state calls do, as fast as it can, and runs the
// editor's timer logic (its feed and its reader of every published value) between them.
//
// A third case builds the real editor window (never shown: it needs no display) and lets its timer
// tick on the message thread while tabs come and go, views switch and settings change.
//
// In the thread-sanitizer build (scripts/ci-extra-stages.sh) any unsynchronised access between
// the two threads is reported; the address-sanitizer build catches a block that reads freed
// memory. In every build the output must stay finite.

#include "editor/EditorSettings.h"
#include "editor/KalvorinAudioProcessorEditor.h"
#include "editor/TimerFeed.h"
#include "support/AudioFileFixtures.h"
#include "support/ProcessorHarness.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace
{
constexpr double kHostRate = 48000.0;
constexpr int kMaxBlock = 256;
constexpr auto kRunTime = std::chrono::seconds (3);
constexpr float kSourceLevel = 0.3f;
constexpr int kMinimumBlocks = 100;
constexpr int kMinimumEditorRounds = 100;
constexpr int kTickMs = 41;
constexpr int kEditorRounds = 250;
constexpr int kMaxEditorRounds = 20 * kEditorRounds;
constexpr int kMinimumEditorTicks = 10;
constexpr int kLoopTurnMs = 5;
constexpr int kNumViewModes = 6;
constexpr int kNumMeterUnits = 4;

/** A transport the message thread starts and stops while the audio thread reads it. */
struct SharedPlayHead final : juce::AudioPlayHead
{
    juce::Optional<PositionInfo> getPosition() const override
    {
        PositionInfo info;
        info.setIsPlaying (playing.load());
        return info;
    }

    std::atomic<bool> playing { true };
};

/** The audio thread: blocks of varying length, as some hosts send, each checked for finite
    samples. */
class AudioThread
{
public:
    explicit AudioThread (ProcessorHarness& h) : harness (h), thread ([this] { run(); }) {}

    ~AudioThread()
    {
        stop();
    }

    void stop()
    {
        keepRunning.store (false);

        if (thread.joinable())
            thread.join();
    }

    std::atomic<bool> sawNonFiniteSample { false };
    std::atomic<int> blocksProcessed { 0 };

private:
    void run()
    {
        juce::AudioBuffer<float> storage (2, kMaxBlock);
        juce::Random random (3);

        while (keepRunning.load())
        {
            const auto numSamples = random.nextInt (4) == 0 ? 1 + random.nextInt (kMaxBlock) : kMaxBlock;
            juce::AudioBuffer<float> block (storage.getArrayOfWritePointers(), 2, numSamples);

            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < numSamples; ++i)
                    block.setSample (ch, i, kSourceLevel * (random.nextFloat() * 2.0f - 1.0f));

            harness.process (block);

            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < numSamples; ++i)
                    if (! std::isfinite (block.getSample (ch, i)))
                        sawNonFiniteSample.store (true);

            blocksProcessed.fetch_add (1);

            // A real audio thread leaves the callback lock free most of the time.
            std::this_thread::yield();
        }
    }

    ProcessorHarness& harness;
    std::atomic<bool> keepRunning { true };
    std::thread thread;
};

/** One tick of the editor's timer, through the same feed and reader the editor uses. */
void tickLikeTheEditor (KalvorinAudioProcessor& processor, TimerFeed& feed, AnalysisSnapshot& live)
{
    feed.takeChangedMeterUnits (processor.settingsStore);
    feed.readMeters (kTickMs);
    const auto values = feed.meterValues();
    feed.updateLiveSnapshot (live);

    auto& reader = feed.getReader();
    reader.readLiveMeasurements (live);
    reader.readOutputSelection();

    const auto& reading = feed.getLastReading();

    // A peak is a level or no number; a held peak too.
    for (auto peak : { reading.referenceTruePeakDb, reading.sourceTruePeakDb,
                       reading.referenceSamplePeakDb, reading.sourceSamplePeakDb,
                       values.referenceTruePeakDb, values.sourcePeakDb })
        EXPECT_TRUE (std::isnan (peak) || std::isfinite (peak));

    // NaN means "no value" and minus infinity silence; neither may turn into plus infinity.
    for (auto v : { values.referenceShortTermLufs, values.sourceShortTermLufs, values.referenceRmsDb,
                    values.sourceRmsDb, values.referenceIntegratedLufs, values.sourceIntegratedLufs,
                    values.referenceGainDb, values.sourceGainDb, processor.sourceLoudness.momentaryLufs.load(),
                    processor.referencePeak.load(), processor.sourcePeak.load() })
        EXPECT_FALSE (std::isinf (v) && v > 0.0f);
}

/** A processor with its own settings and files folder, prepared at the host's rate. */
class ProcessorConcurrency : public ::testing::Test
{
protected:
    ProcessorConcurrency() { harness.prepare (kHostRate, kMaxBlock); }

    /** Writes three short files at other rates than the host's, so adding one, switching and
        seeking all work the resampler, and gives the processor a playing transport. True when
        the files were written. */
    bool writeResampledReferencesAndPlay()
    {
        processor.setPlayHead (&playHead);

        return AudioFileFixtures::writeSine (files[0], 44100.0, 2, 0.5, 1000.0, 0.2f)
            && AudioFileFixtures::writeSine (files[1], 96000.0, 1, 0.4, 440.0, 0.4f)
            && AudioFileFixtures::writeSine (files[2], 22050.0, 2, 0.3, 200.0, 0.1f);
    }

    TemporaryFolder temp;
    ProcessorHarness harness { temp.folder };
    KalvorinAudioProcessor& processor = *harness.processor;
    const juce::File files[3] = { temp.file ("a.wav"), temp.file ("b.flac"), temp.file ("c.aiff") };
    SharedPlayHead playHead;
};
} // namespace

TEST_F (ProcessorConcurrency, editorAndHostCallsRaceTheAudioThreadWithoutHarm)
{
    ASSERT_TRUE (writeResampledReferencesAndPlay());
    ASSERT_EQ (processor.addReference (files[0].getFullPathName()), 0);

    juce::Random random (11);
    TimerFeed feed (processor);
    AnalysisSnapshot live;
    int rounds = 0;

    AudioThread audio (harness);
    const auto end = std::chrono::steady_clock::now() + kRunTime;

    while (std::chrono::steady_clock::now() < end)
    {
        const auto count = (int) processor.references.size();

        switch (random.nextInt (11))
        {
            case 0:  processor.addReference (files[random.nextInt (3)].getFullPathName()); break;
            case 1:  if (count > 0) processor.removeReference (random.nextInt (count)); break;
            case 2:  processor.setActiveReference (random.nextInt (count + 1) - 1); break;
            case 3:  processor.requestSeek (random.nextDouble() * 0.6); break;
            case 4:  harness.setMonitor (random.nextInt (2)); break;
            case 5:  processor.setLevelMatchMode (random.nextInt (3)); break;
            case 6:
                if (random.nextBool())
                    processor.setFocusBand (makeFocusBand (20.0 + random.nextDouble() * 20000.0,
                                                           20.0 + random.nextDouble() * 20000.0));
                else
                    processor.setFocusBand (std::nullopt);
                break;
            case 7:
            {
                juce::MemoryBlock state;
                processor.getStateInformation (state);
                processor.setStateInformation (state.getData(), (int) state.getSize());
                break;
            }
            case 8:  playHead.playing.store (! playHead.playing.load()); break;
            case 9:  processor.resetReferenceRequested.store (true); break;
            default: break;
        }

        tickLikeTheEditor (processor, feed, live);
        ++rounds;
    }

    audio.stop();

    EXPECT_FALSE (audio.sawNonFiniteSample.load());
    // Both sides really ran at the same time, many times over.
    EXPECT_GT (audio.blocksProcessed.load(), kMinimumBlocks);
    EXPECT_GT (rounds, kMinimumEditorRounds);
}

TEST_F (ProcessorConcurrency, hostSavesOnItsOwnThreadWhileTheEditorChangesTheListAndItsText)
{
    // Two files at the host's rate.
    ASSERT_TRUE (AudioFileFixtures::writeSine (files[0], kHostRate, 2, 0.2, 440.0, 0.2f));
    ASSERT_TRUE (AudioFileFixtures::writeSine (files[1], kHostRate, 1, 0.2, 880.0, 0.2f));

    AudioThread audio (harness);

    // The host's thread saves the project over and over; every save must be one whole state.
    std::atomic<bool> saving { true };
    std::atomic<int> saves { 0 }, damagedSaves { 0 };

    std::thread host ([&]
    {
        while (saving.load())
        {
            juce::MemoryBlock blob;
            processor.getStateInformation (blob);
            const auto tree = juce::ValueTree::readFromData (blob.getData(), blob.getSize());
            const auto count = tree.getChildWithName ("refs").getNumChildren();
            const auto active = (int) tree["activeRefIndex"];

            if (! tree.isValid() || count > 2 || active < -1 || active >= count)
                damagedSaves.fetch_add (1);

            saves.fetch_add (1);
        }
    });

    // Meanwhile the editor, on the message thread, loads, switches and closes References and
    // keeps its text.
    juce::Random random (5);
    int rounds = 0;

    for (const auto end = std::chrono::steady_clock::now() + kRunTime; std::chrono::steady_clock::now() < end; ++rounds)
    {
        const auto count = (int) processor.references.size();

        switch (random.nextInt (4))
        {
            case 0:  processor.addReference (files[random.nextInt (2)].getFullPathName()); break;
            case 1:  if (count > 0) processor.removeReference (random.nextInt (count)); break;
            case 2:  processor.setActiveReference (random.nextInt (count + 1) - 1); break;
            default: processor.setEditorStateJson ("{\"currentTab\":" + juce::String (rounds) + "}"); break;
        }
    }

    saving.store (false);
    host.join();
    audio.stop();

    EXPECT_EQ (damagedSaves.load(), 0);
    EXPECT_GT (saves.load(), kMinimumEditorRounds);
    EXPECT_GT (rounds, kMinimumEditorRounds);
}

TEST_F (ProcessorConcurrency, theRealEditorTicksChangesTabsViewsAndSettingsWhileAReferencePlays)
{
    ASSERT_TRUE (writeResampledReferencesAndPlay());

    // The window is built as a host builds it, but never put on the screen.
    std::unique_ptr<juce::AudioProcessorEditor> window (processor.createEditor());
    auto* editor = dynamic_cast<KalvorinAudioProcessorEditor*> (window.get());
    ASSERT_NE (editor, nullptr);

    editor->loadChosenFile (files[0]);
    ASSERT_EQ (editor->countReferenceTabs(), 1);
    ASSERT_GT (editor->getTimerInterval(), 0);

    auto& store = processor.settingsStore;
    const auto setGeneral = [&store] (const char* key, const juce::String& value)
    {
        store.setValue (SettingsStore::kGeneralSection, key, value);
    };

    AudioThread audio (harness);
    juce::Random random (17);
    int ticksThatMovedThePlayhead = 0;
    float loudestReference = 0.0f;
    auto lastPlayhead = editor->getLiveSnapshot().playheadSeconds;

    // A slow machine gets more rounds rather than a failure, up to a bound.
    for (int round = 0; round < kMaxEditorRounds
                        && (round < kEditorRounds || ticksThatMovedThePlayhead <= kMinimumEditorTicks); ++round)
    {
        const auto numReferenceTabs = editor->countReferenceTabs();

        switch (random.nextInt (8))
        {
            case 0:  editor->loadChosenFile (files[random.nextInt (3)]); break;
            case 1:
                if (numReferenceTabs > 1)
                {
                    editor->closeReferenceTab (random.nextInt (numReferenceTabs));
                    editor->syncTabReferenceIndices();
                    editor->addPlusTabIfNeeded();
                    editor->removePlusTabIfUnneeded();
                    editor->updateTabTooltips();
                    editor->refreshTabs();
                    editor->saveEditorState();
                }
                break;
            case 2:  editor->getTabs().setCurrentTabIndex (random.nextInt (juce::jmax (1, numReferenceTabs))); break;
            case 3:
                if (auto* page = editor->getReferencePage (editor->getTabs().getCurrentTabIndex()))
                    page->setViewMode (random.nextInt (kNumViewModes));
                break;
            case 4:
                setGeneral (EditorSettings::kLeftMeterUnitKey, juce::String (1 + random.nextInt (kNumMeterUnits)));
                setGeneral (EditorSettings::kRightMeterUnitKey, juce::String (1 + random.nextInt (kNumMeterUnits)));
                break;
            case 5:
                setGeneral (EditorSettings::kPlotStyleKey, random.nextBool() ? EditorSettings::kLinesStyleText
                                                                             : EditorSettings::kDefaultStyleText);
                break;
            case 6:
                setGeneral (EditorSettings::kHistoryEnabledKey, random.nextBool() ? "1" : "0");
                setGeneral (EditorSettings::kHistorySecondsKey, juce::String (5 + random.nextInt (60)));
                break;
            default: playHead.playing.store (random.nextInt (4) != 0); break;
        }

        // The editor's own timer fires from the message loop the test turns here.
        MessagePump::runFor (kLoopTurnMs);

        if (editor->getLiveSnapshot().playheadSeconds != lastPlayhead)
        {
            lastPlayhead = editor->getLiveSnapshot().playheadSeconds;
            ++ticksThatMovedThePlayhead;
        }

        loudestReference = juce::jmax (loudestReference, processor.referencePeak.load());
    }

    audio.stop();
    window.reset();

    EXPECT_FALSE (audio.sawNonFiniteSample.load());
    EXPECT_GT (audio.blocksProcessed.load(), kMinimumBlocks);
    // The window's timer really read a moving playhead, and a Reference really played.
    EXPECT_GT (ticksThatMovedThePlayhead, kMinimumEditorTicks);
    EXPECT_GT (loudestReference, 0.0f);
}
