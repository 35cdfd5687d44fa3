// The audio path under every kind of traffic the editor and the host produce: a Reference
// playing and being switched, seeks, transport starts and stops, monitor switches, level-match
// modes and focus bands coming and going, at the usual rates and block sizes.
//
// In the real-time sanitizer build (scripts/ci-extra-stages.sh) processBlock carries clang's
// nonblocking attribute, so every lock, wait, allocation or system call anywhere below it stops
// the run with its stack. In every build the allocation guard and the finiteness checks hold.

#include "engine/RealtimeAnnotations.h"
#include "support/AllocationGuard.h"
#include "support/AudioFileFixtures.h"
#include "support/ProcessorHarness.h"

#include <gtest/gtest.h>

#include <mutex>
#include <tuple>
#include <vector>

namespace
{
constexpr double kRunSeconds = 5.5;
constexpr float kSourceLevel = 0.3f;
constexpr float kReferenceLevel = 0.2f;

enum class Action
{
    play, stop, seek, monitorReference, monitorSource, levelMatch, focusBand, bandOff, switchReference
};

/** One thing the editor or the host does, at a time in seconds from the start of the run. */
struct Event
{
    double atSeconds;
    Action action;
    double a = 0.0, b = 0.0;
};

// Level matching needs 3 s of uninterrupted play before it measures; the first 3.5 s therefore
// hold no stop and no Reference switch, while seeks, bands and modes keep changing.
const Event kSchedule[] = {
    { 0.0, Action::play },
    { 0.0, Action::levelMatch, 1 },
    { 0.0, Action::focusBand, 200.0, 2000.0 },
    { 0.4, Action::seek, 0.3 },
    { 0.8, Action::focusBand, 500.0, 8000.0 },
    { 1.2, Action::monitorSource },
    { 1.6, Action::seek, 0.95 },
    { 2.0, Action::bandOff },
    { 2.4, Action::monitorReference },
    { 2.8, Action::levelMatch, 2 },
    { 3.2, Action::focusBand, 5000.0, 100.0 },
    { 3.5, Action::stop },
    { 3.6, Action::seek, 0.5 },
    { 3.7, Action::play },
    { 4.0, Action::switchReference },
    { 4.3, Action::seek, 0.1 },
    { 4.6, Action::levelMatch, 0 },
    { 5.0, Action::levelMatch, 1 },
    { 5.0, Action::focusBand, 20.0, 20000.0 },
};

using RateAndBlock = std::tuple<double, int>;

class NonblockingAudioPath : public ::testing::TestWithParam<RateAndBlock>
{
protected:
    TemporaryFolder temp;
    ProcessorHarness harness { temp.folder };
    KalvorinAudioProcessor& processor = *harness.processor;

    void apply (const Event& event)
    {
        switch (event.action)
        {
            case Action::play:             harness.playHead.playing = true; break;
            case Action::stop:             harness.playHead.playing = false; break;
            case Action::seek:             processor.requestSeek (event.a); break;
            case Action::monitorReference: harness.setMonitor (0); break;
            case Action::monitorSource:    harness.setMonitor (1); break;
            case Action::levelMatch:       processor.setLevelMatchMode ((int) event.a); break;
            case Action::focusBand:        processor.setFocusBand (makeFocusBand (event.a, event.b)); break;
            case Action::bandOff:          processor.setFocusBand (std::nullopt); break;
            case Action::switchReference:  processor.setActiveReference (1 - processor.getActiveReferenceIndex()); break;
        }
    }
};

std::string nameOf (const ::testing::TestParamInfo<RateAndBlock>& info)
{
    return std::to_string ((int) std::get<0> (info.param)) + "Hz_" + std::to_string (std::get<1> (info.param));
}
} // namespace

TEST_P (NonblockingAudioPath, everyEngineRunsWithoutBlockingThroughSeeksStopsAndModeChanges)
{
    const auto [rate, blockSize] = GetParam();

    // Two References at rates other than most host rates, so the resampler works; the first is
    // a second long, so seeks near its end wrap.
    const auto first = temp.file ("first.wav");
    const auto second = temp.file ("second.flac");
    ASSERT_TRUE (AudioFileFixtures::writeSine (first, 44100.0, 2, 1.0, 1000.0, kReferenceLevel));
    ASSERT_TRUE (AudioFileFixtures::writeSine (second, 96000.0, 1, 0.7, 440.0, kReferenceLevel));
    ASSERT_EQ (processor.addReference (first.getFullPathName()), 0);
    ASSERT_EQ (processor.addReference (second.getFullPathName()), 1);
    harness.prepare (rate, blockSize);

    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::Random random (7);
    size_t nextEvent = 0;
    bool levelMatchMeasured = false;
    float largestGainDb = 0.0f;

    const auto numBlocks = (int) std::ceil (kRunSeconds * rate / blockSize);

    for (int b = 0; b < numBlocks; ++b)
    {
        const auto now = b * blockSize / rate;

        while (nextEvent < std::size (kSchedule) && kSchedule[nextEvent].atSeconds <= now)
            apply (kSchedule[nextEvent++]);

        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < blockSize; ++i)
                buffer.setSample (ch, i, kSourceLevel * (random.nextFloat() * 2.0f - 1.0f));

        {
            const AllocationGuard guard;
            harness.process (buffer);
            ASSERT_EQ (guard.allocationsSoFar(), 0) << "block " << b;
        }

        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < blockSize; ++i)
                ASSERT_TRUE (std::isfinite (buffer.getSample (ch, i))) << "block " << b << ", sample " << i;

        levelMatchMeasured = levelMatchMeasured || processor.levelMatchReady.load();
        largestGainDb = juce::jmax (largestGainDb, std::abs (processor.referenceGainDb.load()),
                                    std::abs (processor.sourceGainDb.load()));
    }

    EXPECT_EQ (nextEvent, std::size (kSchedule)) << "the run covered the whole schedule";
    // Proof that level matching really ran its measuring branch, not only its idle one: the
    // two signals differ by several dB, so one of them was given gain.
    EXPECT_TRUE (levelMatchMeasured);
    EXPECT_GT (largestGainDb, 1.0f);
}

INSTANTIATE_TEST_SUITE_P (RatesAndBlockSizes, NonblockingAudioPath,
                          ::testing::Combine (::testing::Values (44100.0, 48000.0, 96000.0),
                                              ::testing::Values (32, 64, 128, 256, 512, 1024, 2048)),
                          nameOf);

#if KALVORIN_RTSAN
namespace
{
// Kept out of line, so that the calls really happen inside the nonblocking functions.
[[gnu::noinline]] void allocateWhileNonblocking (std::vector<float>& list) noexcept KALVORIN_NONBLOCKING
{
    list.resize (list.size() + 1000);
}

[[gnu::noinline]] void lockWhileNonblocking (std::mutex& mutex) noexcept KALVORIN_NONBLOCKING
{
    const std::lock_guard<std::mutex> lock (mutex);
}
} // namespace

// Proves that the checks above are live in this build, for both kinds of call the audio thread
// must not make: were the instrumentation or the interception lost, every test of this file
// would pass without having checked anything.
TEST (RealtimeSanitizerSelfCheck, reportsAnAllocationOrALockInsideANonblockingFunction)
{
    std::vector<float> list;
    std::mutex mutex;
    EXPECT_DEATH (allocateWhileNonblocking (list), "real-time unsafe function `malloc`");
    EXPECT_DEATH (lockWhileNonblocking (mutex), "real-time unsafe function `pthread_mutex_lock`");
}
#endif
