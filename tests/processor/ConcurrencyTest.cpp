// The processor between two threads, as in a host: one thread processes blocks the way JUCE's
// VST3 layer does (under the callback lock, silence while suspended), while the message thread
// does everything the editor and the host's state calls do, as fast as it can, and runs the
// editor's timer logic (its feed and its reader of every published value) between them.
//
// In the thread-sanitizer build (scripts/ci-extra-stages.sh) any unsynchronised access between
// the two threads is reported; the address-sanitizer build catches a block that reads freed
// memory. In every build the output must stay finite.

#include "editor/TimerFeed.h"
#include "support/AudioFileFixtures.h"
#include "support/ProcessorHarness.h"

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
} // namespace

TEST (ProcessorConcurrency, editorAndHostCallsRaceTheAudioThreadWithoutHarm)
{
    TemporaryFolder temp;
    ProcessorHarness harness (temp.folder);
    auto& processor = *harness.processor;

    // Three short files at other rates than the host's, so adding one, switching and seeking
    // all work the resampler.
    const juce::File files[] = { temp.file ("a.wav"), temp.file ("b.flac"), temp.file ("c.aiff") };
    ASSERT_TRUE (AudioFileFixtures::writeSine (files[0], 44100.0, 2, 0.5, 1000.0, 0.2f));
    ASSERT_TRUE (AudioFileFixtures::writeSine (files[1], 96000.0, 1, 0.4, 440.0, 0.4f));
    ASSERT_TRUE (AudioFileFixtures::writeSine (files[2], 22050.0, 2, 0.3, 200.0, 0.1f));

    harness.prepare (kHostRate, kMaxBlock);
    SharedPlayHead playHead;
    processor.setPlayHead (&playHead);
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

TEST (ProcessorConcurrency, hostSavesOnItsOwnThreadWhileTheEditorChangesTheListAndItsText)
{
    TemporaryFolder temp;
    ProcessorHarness harness (temp.folder);
    auto& processor = *harness.processor;

    const juce::File files[] = { temp.file ("a.wav"), temp.file ("b.wav") };
    ASSERT_TRUE (AudioFileFixtures::writeSine (files[0], kHostRate, 2, 0.2, 440.0, 0.2f));
    ASSERT_TRUE (AudioFileFixtures::writeSine (files[1], kHostRate, 1, 0.2, 880.0, 0.2f));

    harness.prepare (kHostRate, kMaxBlock);
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
