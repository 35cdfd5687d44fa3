// The window's lifetime against the host's: opened and closed while the audio thread plays, and
// taken down together with the plug-in while work for it is still queued. Under
// AddressSanitizer (the asan stage) any use of a freed window or processor fails the run, and
// JUCE's leak detector reports every editor object that outlives the test.

#include "support/EditorSession.h"
#include "support/XTestInput.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{
constexpr int kOpenCloseRounds = 50;
constexpr int kOpenMilliseconds = 40;
constexpr int kBlockSize = 512;
constexpr int kBlocksPerMonitorFlip = 16;

/** A thread of the test's own that plays blocks through the processor, as the host's audio
    thread does, until it is destroyed; every few blocks it flips "monitorRef" as host
    automation does from that thread. */
class AudioThread
{
public:
    explicit AudioThread (ProcessorHarness& harnessToUse)
        : harness (harnessToUse), thread ([this] { run(); })
    {
    }

    ~AudioThread()
    {
        keepRunning = false;
        thread.join();
    }

    int blocksProcessed() const { return blocks.load(); }

private:
    void run()
    {
        juce::AudioBuffer<float> buffer (2, kBlockSize);
        juce::Random random (7);

        while (keepRunning)
        {
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < kBlockSize; ++i)
                    buffer.setSample (ch, i, 0.25f * (random.nextFloat() * 2.0f - 1.0f));

            harness.process (buffer);

            if (++blocks % kBlocksPerMonitorFlip == 0)
                harness.setMonitor ((blocks / kBlocksPerMonitorFlip) % 2);

            std::this_thread::yield();
        }
    }

    ProcessorHarness& harness;
    std::atomic<bool> keepRunning { true };
    std::atomic<int> blocks { 0 };
    std::thread thread;
};

class EditorLifetime : public ::testing::Test
{
protected:
    void SetUp() override
    {
        session.harness.playHead.playing = true;

        for (const auto* name : { "A.wav", "B.wav" })
            ASSERT_GE (session.harness.processor->addReference (session.writeWav (name).getFullPathName()), 0);
    }

    EditorSession session;
};
} // namespace

TEST_F (EditorLifetime, windowOpensAndClosesFiftyTimesWhileTheTransportPlays)
{
    AudioThread audio (session.harness);

    for (int round = 0; round < kOpenCloseRounds; ++round)
    {
        auto& editor = session.open();
        ASSERT_EQ (session.tabPaths(), session.referencePaths()) << "round " << round;

        // Alternate tabs so that every round changes the active Reference under the audio thread.
        editor.getTabs().setCurrentTabIndex (round % 2);
        MessagePump::runFor (kOpenMilliseconds);
        session.close();
    }

    EXPECT_GT (audio.blocksProcessed(), 0);
    EXPECT_EQ (session.harness.processor->getActiveEditor(), nullptr);
    EXPECT_EQ (session.referencePaths().size(), 2);
}

TEST_F (EditorLifetime, windowOnScreenOpensAndClosesWhileTheTransportPlays)
{
    AudioThread audio (session.harness);

    for (int round = 0; round < 3; ++round)
    {
        session.showOnScreen();
        MessagePump::runFor (kOpenMilliseconds);
        session.close();
    }

    EXPECT_GT (audio.blocksProcessed(), 0);
}

// The host takes the plug-in down the way JUCE's VST3 layer does, window first and processor
// right after, in one turn of the message loop, while the audio thread's blocks have just
// played: the "monitorRef" change made on another thread just before is still waiting for the
// window's timer, and the parameter tree's own update is still queued. Whatever was queued then
// runs against neither.
TEST_F (EditorLifetime, pluginGoesDownWithItsWindowOpenAndAMonitorChangeQueued)
{
    session.showOnScreen();
    MessagePump::runFor (kOpenMilliseconds);

    {
        AudioThread audio (session.harness);
        MessagePump::runUntil ([&audio] { return audio.blocksProcessed() > kBlocksPerMonitorFlip; }, 5000);
    }

    // A last change from another thread, as automation makes it, that no timer tick has shown.
    const auto sourceShown = session.harness.processor->parameters.getRawParameterValue ("monitorRef")->load() > 0.5f;
    std::thread automation ([this, sourceShown] { session.harness.setMonitor (sourceShown ? 0 : 1); });
    automation.join();

    session.editor.reset();
    session.harness.processor.reset();
    MessagePump::runFor (kOpenMilliseconds);
}
