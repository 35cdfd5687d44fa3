// The saved state while every thread of a Linux host runs, with the plug-in's window closed: the
// VST3 layer then runs a message thread of the plug-in's own, on which the parameter tree's timer
// writes each change of "monitorRef" into the tree. The host's thread restores projects that hold
// an editor text and reads them back, the monitor changes, and an audio thread of the test
// processes blocks all the while.
//
// In the thread-sanitizer build (scripts/ci-extra-stages.sh) any memory that two of these threads
// touch without an order between them fails the run. In every build the state read back is the
// one restored, and a plug-in destroyed right after a state call goes away: a watchdog
// ends the run when a step makes no progress.
#include "host/support/HostAudioThread.h"
#include "host/support/HostStateChunks.h"
#include "host/support/HostedPlugin.h"
#include "support/SavedStateTrees.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace
{
using namespace HostStateChunks;
using SavedStateTrees::blobOf;
using SavedStateTrees::stateTree;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr float kSourceLevel = 0.3f;

/** Rounds of monitor change, restore and read-back; each waits a different few milliseconds
    first, so that the parameter tree's timer (every 20 ms while values change) meets the host's
    calls at every phase. */
constexpr int kRaceRounds = 60;
constexpr int kLongestPauseMs = 25;

/** A block every few milliseconds, paced roughly like a host's audio callback. */
constexpr auto kAudioPause = std::chrono::milliseconds (2);
constexpr int kMinimumBlocks = 20;

/** Instances created, restored and destroyed one after another, each the only one loaded, as
    when a project with one instance is closed. */
constexpr int kTeardownRounds = 200;

/** No step of a test here comes near this, even under the thread sanitizer; a hang does. */
constexpr auto kNoProgressLimit = std::chrono::seconds (60);

/** The Source of the test's audio thread: noise, the same on every run. */
void writeNoise (juce::AudioBuffer<float>& buffer, int blockNumber)
{
    juce::Random random (blockNumber);

    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            buffer.setSample (ch, i, kSourceLevel * (random.nextFloat() * 2.0f - 1.0f));
}

/** Ends the whole run, with a message naming the step, when a step takes longer than the
    limit: a hang cannot be failed from the thread that hangs. */
class HangWatchdog
{
public:
    explicit HangWatchdog (std::chrono::seconds limitIn) : limit (limitIn), thread ([this] { run(); }) {}

    ~HangWatchdog()
    {
        {
            const std::lock_guard<std::mutex> lock (mutex);
            finished = true;
        }

        wake.notify_all();
        thread.join();
    }

    /** Marks the start of the next step. */
    void step (const std::string& what)
    {
        {
            const std::lock_guard<std::mutex> lock (mutex);
            current = what;
            ++steps;
        }

        wake.notify_all();
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> lock (mutex);

        while (! finished)
        {
            const auto seen = steps;

            if (! wake.wait_for (lock, limit, [&] { return finished || steps != seen; }))
            {
                std::fprintf (stderr, "HangWatchdog: no progress for %lld s while %s\n",
                              (long long) limit.count(), current.c_str());
                std::fflush (stderr);
                std::_Exit (EXIT_FAILURE);
            }
        }
    }

    const std::chrono::seconds limit;
    std::mutex mutex;
    std::condition_variable wake;
    std::string current { "starting" };
    long long steps = 0;
    bool finished = false;
    std::thread thread;
};

/** The editor text of one round: distinct for every round. */
juce::String editorTextFor (int round)
{
    return "{\"tabs\":[],\"currentTab\":" + juce::String (round) + "}";
}

juce::MemoryBlock chunkFor (const juce::String& reference, int round)
{
    return hostChunkCarrying (blobOf (stateTree ({ reference }, 0, (double) (round % 2), editorTextFor (round))));
}

void setChunk (juce::AudioPluginInstance& instance, const juce::MemoryBlock& chunk)
{
    instance.setStateInformation (chunk.getData(), (int) chunk.getSize());
}

/** A monitor change from the host's side; the plug-in's parameter tree writes it into its tree
    on its next timer tick. */
void flipMonitor (juce::AudioPluginInstance& instance, int round)
{
    if (auto* monitor = HostedPlugin::findParameter (instance, "Monitor"))
        monitor->setValueNotifyingHost (round % 2 == 0 ? 1.0f : 0.0f);
}

struct HostStateThreading : ::testing::Test
{
    void SetUp() override
    {
        juce::String error;
        plugin = HostedPlugin::create (KALVORIN_BUNDLE_PATH, kRate, kBlock, error);
        ASSERT_NE (plugin, nullptr) << error;
        plugin->setPlayHead (&playHead);
        plugin->prepareToPlay (kRate, kBlock);
        reference = files.sine ("one.wav");
        ASSERT_TRUE (reference.isNotEmpty());
    }

    void TearDown() override
    {
        if (plugin != nullptr)
            plugin->releaseResources();
    }

    AudioFolder files;
    PlayingHead playHead;
    juce::String reference;
    std::unique_ptr<juce::AudioPluginInstance> plugin;
};

/** The last state call a host makes before it lets the plug-in go. */
struct LastCall
{
    const char* name;
    std::function<void (juce::AudioPluginInstance&, const juce::MemoryBlock&)> make;
};
} // namespace

TEST_F (HostStateThreading, hostRestoresAndReadsStatesWhileTheMonitorChangesAndBlocksRun)
{
    HostAudioThread audio (*plugin, kBlock, kAudioPause, writeNoise);

    for (int round = 0; round < kRaceRounds; ++round)
    {
        flipMonitor (*plugin, round);
        // The host's own message loop passes the change to the plug-in's controller.
        juce::MessageManager::getInstance()->runDispatchLoopUntil (1 + round % kLongestPauseMs);

        setChunk (*plugin, chunkFor (reference, round));
        const auto saved = pluginTreeIn (componentStateIn (chunkOf (*plugin)));

        ASSERT_TRUE (saved.isValid()) << "round " << round;
        EXPECT_EQ (saved["editorStateJson"].toString(), editorTextFor (round)) << "round " << round;
        EXPECT_EQ (pathsIn (saved), std::vector<juce::String> { reference }) << "round " << round;
        EXPECT_EQ ((int) saved["activeRefIndex"], 0) << "round " << round;
    }

    EXPECT_GE (audio.blocksProcessed.load(), kMinimumBlocks);
}

TEST (HostStateTeardown, pluginDestroyedRightAfterAStateCallGoesAwayWithoutHanging)
{
    juce::PluginDescription description;
    juce::String error;
    ASSERT_TRUE (HostedPlugin::describe (KALVORIN_BUNDLE_PATH, description, error)) << error;

    AudioFolder files;
    const auto reference = files.sine ("one.wav");
    ASSERT_TRUE (reference.isNotEmpty());

    const std::vector<LastCall> lastCalls {
        { "restoring", [] (auto& instance, const auto& chunk) { setChunk (instance, chunk); } },
        { "reading", [] (auto& instance, const auto&) { chunkOf (instance); } },
        { "restoring and reading", [] (auto& instance, const auto& chunk) { setChunk (instance, chunk); chunkOf (instance); } },
    };

    juce::VST3PluginFormat format;
    HangWatchdog watchdog (kNoProgressLimit);

    for (int round = 0; round < kTeardownRounds; ++round)
    {
        const auto& last = lastCalls[(size_t) round % lastCalls.size()];
        const auto where = ", round " + std::to_string (round);

        watchdog.step ("creating the plug-in" + where);
        auto instance = format.createInstanceFromDescription (description, kRate, kBlock, error);
        ASSERT_NE (instance, nullptr) << error.toStdString() << where;
        instance->prepareToPlay (kRate, kBlock);

        // A monitor change still waiting for the parameter tree's timer, then the state call.
        watchdog.step (std::string (last.name) + where);
        flipMonitor (*instance, round);
        last.make (*instance, chunkFor (reference, round));

        watchdog.step (std::string ("destroying the plug-in right after ") + last.name + where);
        instance->releaseResources();
        instance.reset();
    }
}
