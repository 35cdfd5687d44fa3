#include "engine/SpectrumAnalyser.h"
#include "engine/SpectrumSnapshot.h"
#include "support/AllocationGuard.h"
#include "support/FrameworkEngines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <thread>
#include <vector>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kBin3kHz = 512;            // 3000 Hz * 8192 / 48000: the sine sits on a bin's centre
constexpr double kToneHz = 3000.0;

float fullScaleSine (int i)
{
    return static_cast<float> (std::sin (juce::MathConstants<double>::twoPi * kToneHz * i / kRate));
}

/** Feeds seconds of signal in host blocks; channelValue gives channel c's sample i. */
void feed (SpectrumAnalyser& analyser, int numChannels, double seconds,
           const std::function<float (int channel, int i)>& channelValue)
{
    const auto total = static_cast<int> (seconds * kRate);
    juce::AudioBuffer<float> block (numChannels, kBlock);

    for (int start = 0; start < total; start += kBlock)
    {
        const auto length = std::min (kBlock, total - start);
        block.setSize (numChannels, length, false, false, true);

        for (int channel = 0; channel < numChannels; ++channel)
            for (int i = 0; i < length; ++i)
                block.setSample (channel, i, channelValue (channel, start + i));

        analyser.process (block);
    }
}

struct ToneCase
{
    const char* name;
    int bufferChannels;
    bool rightChannelSilent;
    float expectedMagnitude;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo (const ToneCase& testCase, std::ostream* os)
{
    *os << testCase.name;
}

const ToneCase kToneCases[] = {
    { "inBothChannels",  2, false, 1.0f },
    { "inOneChannel",    2, true,  0.70711f },
    { "inAMonoBuffer",   1, false, 1.0f },   // a mono buffer counts as both channels
};

class SpectrumAnalyserTone : public ::testing::TestWithParam<ToneCase> {};
} // namespace

TEST_P (SpectrumAnalyserTone, fullScale3kHzSineReadsItsLevelInBin512OnceThreeSecondsAreAveraged)
{
    const auto& testCase = GetParam();

    SpectrumAnalyser analyser;
    analyser.prepare (kRate);
    ASSERT_EQ (analyser.getHistoryFrames(), 70);

    const auto signal = [&] (int channel, int i)
    {
        return channel == 1 && testCase.rightChannelSilent ? 0.0f : fullScaleSine (i);
    };

    feed (analyser, testCase.bufferChannels, 1.5, signal);
    // Rows not yet filled since prepare() count as zeros, so halfway the reading is still low.
    EXPECT_LT (analyser.getMagnitudes()[kBin3kHz], 0.8f * testCase.expectedMagnitude);

    feed (analyser, testCase.bufferChannels, 2.0, signal);
    EXPECT_NEAR (analyser.getMagnitudes()[kBin3kHz], testCase.expectedMagnitude, 1.0e-3f);

    // The Hann window keeps the tone within its own bin and the two neighbours.
    EXPECT_LT (analyser.getMagnitudes()[kBin3kHz + 3], 1.0e-3f);
    EXPECT_LT (analyser.getMagnitudes()[kBin3kHz - 3], 1.0e-3f);
}

INSTANTIATE_TEST_SUITE_P (SpectrumAnalyser, SpectrumAnalyserTone, ::testing::ValuesIn (kToneCases),
                          [] (const auto& paramInfo) { return std::string (paramInfo.param.name); });

TEST (SpectrumAnalyser, monoInputGivesTheSameSpectrumAsTheSameSignalInBothChannels)
{
    const auto noiseLike = [] (int, int i)
    {
        // A cheap integer hash: broadband, and the same for every call with the same index.
        const auto hashed = (static_cast<unsigned int> (i) * 1103515245u + 12345u) >> 16;
        return static_cast<float> (hashed & 0x7fffu) / 32768.0f - 0.5f;
    };

    SpectrumAnalyser mono, stereo;
    mono.prepare (kRate);
    stereo.prepare (kRate);

    feed (mono, 1, 1.0, noiseLike);
    feed (stereo, 2, 1.0, noiseLike);

    EXPECT_EQ (mono.getMagnitudes(), stereo.getMagnitudes());
}

TEST (SpectrumAnalyser, callbackFollowsEvery2048SamplesFromPrepare)
{
    SpectrumAnalyser analyser;
    std::vector<int> callbackSamples;
    int samplesFed = 0;

    analyser.onSpectrum = [&] (const std::vector<float>& magnitudes, double sampleRate)
    {
        EXPECT_EQ (magnitudes.size(), static_cast<size_t> (SpectrumAnalyser::kNumBins));
        EXPECT_EQ (sampleRate, 44100.0);
        callbackSamples.push_back (samplesFed);
    };
    analyser.prepare (44100.0);
    EXPECT_EQ (analyser.getHistoryFrames(), 65);

    // Single samples, so that the callback reports exactly which sample completed a frame.
    juce::AudioBuffer<float> one (2, 1);
    one.clear();

    for (; samplesFed < 3 * 2048 + 100; )
    {
        ++samplesFed;
        analyser.process (one);
    }

    EXPECT_EQ (callbackSamples, (std::vector<int> { 2048, 4096, 6144 }));
}

TEST (SpectrumAnalyser, frameLeadMovesEveryFrameThatManySamplesEarlierAlsoAfterReset)
{
    SpectrumAnalyser analyser;
    std::vector<int> callbackSamples;
    int samplesFed = 0;

    analyser.onSpectrum = [&] (const std::vector<float>&, double) { callbackSamples.push_back (samplesFed); };
    analyser.prepare (kRate, 256);

    juce::AudioBuffer<float> one (2, 1);
    one.clear();

    const auto feedSamples = [&] (int count)
    {
        for (int i = 0; i < count; ++i)
        {
            ++samplesFed;
            analyser.process (one);
        }
    };

    feedSamples (2 * 2048);
    analyser.reset();
    feedSamples (2048);

    EXPECT_EQ (callbackSamples, (std::vector<int> { 1792, 3840, 4096 + 1792 }));
}

TEST (SpectrumAnalyser, nonFiniteInputGivesAFiniteSpectrum)
{
    SpectrumAnalyser analyser;
    analyser.prepare (kRate);

    feed (analyser, 2, 1.0, [] (int channel, int i)
    {
        if (i % 1000 == 7)
            return channel == 0 ? std::numeric_limits<float>::quiet_NaN() : -std::numeric_limits<float>::infinity();

        if (i % 1000 == 8)
            return std::numeric_limits<float>::infinity();

        return 0.5f * fullScaleSine (i);
    });

    for (auto magnitude : analyser.getMagnitudes())
        ASSERT_TRUE (std::isfinite (magnitude));

    EXPECT_GT (analyser.getMagnitudes()[kBin3kHz], 0.1f);
}

TEST (SpectrumAnalyser, averageRecoversAfterAnOverloadedStretch)
{
    // Samples large enough to overflow the transform, then an ordinary tone: once the overload
    // has left the three-second history, the reading must be the tone's again.
    SpectrumAnalyser analyser;
    analyser.prepare (kRate);

    feed (analyser, 2, 0.2, [] (int, int i) { return 1.0e30f * fullScaleSine (i); });
    feed (analyser, 2, 0.2, [] (int, int i) { return std::numeric_limits<float>::max() * fullScaleSine (i); });

    // The overloaded frames leave the history after three seconds; every bin's running sum is
    // rebuilt from the history within the next three.
    feed (analyser, 2, 7.0, [] (int, int i) { return fullScaleSine (i); });

    EXPECT_NEAR (analyser.getMagnitudes()[kBin3kHz], 1.0f, 1.0e-3f);
    EXPECT_LT (analyser.getMagnitudes()[100], 1.0e-3f);
}

TEST (SpectrumAnalyser, resetClearsTheSpectrumAndRestartsTheFrameCount)
{
    SpectrumAnalyser analyser;
    int calls = 0;
    analyser.onSpectrum = [&] (const std::vector<float>&, double) { ++calls; };
    analyser.prepare (kRate);

    feed (analyser, 2, 1.0, [] (int, int i) { return fullScaleSine (i); });
    analyser.reset();

    for (auto magnitude : analyser.getMagnitudes())
        ASSERT_EQ (magnitude, 0.0f);

    calls = 0;
    juce::AudioBuffer<float> block (2, 2047);
    block.clear();
    analyser.process (block);
    EXPECT_EQ (calls, 0);

    block.setSize (2, 1);
    block.clear();
    analyser.process (block);
    EXPECT_EQ (calls, 1);
}

TEST (SpectrumAnalyser, processingAndPublishingDoNotAllocate)
{
    SpectrumAnalyser analyser;
    SpectrumSnapshot snapshot;
    snapshot.prepare (SpectrumAnalyser::kNumBins);

    analyser.onSpectrum = [&snapshot] (const std::vector<float>& magnitudes, double sampleRate)
    {
        snapshot.tryPublish (magnitudes, sampleRate);
    };
    analyser.prepare (kRate);

    juce::AudioBuffer<float> block (2, kBlock);
    for (int i = 0; i < kBlock; ++i)
        block.setSample (0, i, fullScaleSine (i));

    AllocationGuard guard;

    for (int n = 0; n < 100; ++n)
        analyser.process (block);

    analyser.reset();
    analyser.process (block);

    EXPECT_EQ (guard.allocationsSoFar(), 0);
    EXPECT_EQ (snapshot.sequence, 100 * kBlock / SpectrumAnalyser::kHopSize);
}

TEST (SpectrumAnalyser, unpreparedAnalyserIgnoresInput)
{
    SpectrumAnalyser analyser;
    int calls = 0;
    analyser.onSpectrum = [&] (const std::vector<float>&, double) { ++calls; };

    feed (analyser, 2, 0.5, [] (int, int i) { return fullScaleSine (i); });

    EXPECT_EQ (calls, 0);
    EXPECT_TRUE (analyser.getMagnitudes().empty());
}

//==============================================================================
namespace
{
std::vector<float> filledSpectrum (float value)
{
    return std::vector<float> (static_cast<size_t> (SpectrumAnalyser::kNumBins), value);
}
} // namespace

TEST (SpectrumSnapshot, publicationIsSkippedWithoutWaitingWhileTheReaderHoldsTheLock)
{
    SpectrumSnapshot snapshot;
    snapshot.prepare (SpectrumAnalyser::kNumBins);

    {
        const juce::SpinLock::ScopedLockType readerHoldsIt (snapshot.lock);

        // A waiting publication would never return here: the lock is held on this very thread.
        EXPECT_FALSE (snapshot.tryPublish (filledSpectrum (0.5f), 44100.0));
    }

    EXPECT_EQ (snapshot.sequence, 0);
    EXPECT_EQ (snapshot.magnitudes, filledSpectrum (0.0f));
    EXPECT_EQ (snapshot.sampleRate, SpectrumSnapshot::kDefaultSampleRate);

    EXPECT_TRUE (snapshot.tryPublish (filledSpectrum (0.5f), 44100.0));
    EXPECT_EQ (snapshot.sequence, 1);
    EXPECT_EQ (snapshot.sampleRate, 44100.0);
}

TEST (SpectrumSnapshot, analyserFrameWhileTheReaderHoldsTheLockLeavesTheSequenceUnchanged)
{
    SpectrumAnalyser analyser;
    SpectrumSnapshot snapshot;
    snapshot.prepare (SpectrumAnalyser::kNumBins);
    analyser.onSpectrum = [&snapshot] (const std::vector<float>& m, double rate) { snapshot.tryPublish (m, rate); };
    analyser.prepare (kRate);

    juce::AudioBuffer<float> hop (2, SpectrumAnalyser::kHopSize);
    hop.clear();

    {
        const juce::SpinLock::ScopedLockType readerHoldsIt (snapshot.lock);
        analyser.process (hop);
    }
    EXPECT_EQ (snapshot.sequence, 0);

    analyser.process (hop);
    EXPECT_EQ (snapshot.sequence, 1);
}

TEST (SpectrumSnapshot, publicationOfTheWrongSizeIsRefusedRatherThanReallocating)
{
    SpectrumSnapshot snapshot;
    snapshot.prepare (SpectrumAnalyser::kNumBins);

    EXPECT_FALSE (snapshot.tryPublish (std::vector<float> (10, 1.0f), kRate));
    EXPECT_EQ (snapshot.sequence, 0);
    EXPECT_EQ (snapshot.magnitudes.size(), static_cast<size_t> (SpectrumAnalyser::kNumBins));
}

TEST (SpectrumSnapshot, readerCopiesOnlyWhenANewSpectrumWasPublished)
{
    SpectrumSnapshot snapshot;
    snapshot.prepare (SpectrumAnalyser::kNumBins);

    std::vector<float> seen;
    double seenRate = 0.0;
    int lastSequence = 0;

    EXPECT_FALSE (snapshot.readIfNew (seen, seenRate, lastSequence));
    EXPECT_TRUE (seen.empty());

    snapshot.tryPublish (filledSpectrum (0.25f), 44100.0);
    EXPECT_TRUE (snapshot.readIfNew (seen, seenRate, lastSequence));
    EXPECT_EQ (seen, filledSpectrum (0.25f));
    EXPECT_EQ (seenRate, 44100.0);
    EXPECT_EQ (lastSequence, 1);

    seen.assign (3, -1.0f);
    EXPECT_FALSE (snapshot.readIfNew (seen, seenRate, lastSequence));
    EXPECT_EQ (seen, std::vector<float> (3, -1.0f));

    snapshot.tryPublish (filledSpectrum (0.75f), 48000.0);
    EXPECT_TRUE (snapshot.readIfNew (seen, seenRate, lastSequence));
    EXPECT_EQ (seen, filledSpectrum (0.75f));
    EXPECT_EQ (lastSequence, 2);
}

TEST (SpectrumSnapshot, readerNeverSeesAHalfWrittenSpectrum)
{
    // A publisher thread writes spectra whose every bin equals their sequence number while the
    // reader copies; each copy must be uniform and match the sequence it was taken with.
    SpectrumSnapshot snapshot;
    snapshot.prepare (SpectrumAnalyser::kNumBins);

    constexpr int kPublications = 20000;
    std::atomic<bool> done { false };

    std::thread publisher ([&]
    {
        auto spectrum = filledSpectrum (0.0f);
        int published = 0;

        for (int attempt = 0; attempt < kPublications; ++attempt)
        {
            std::fill (spectrum.begin(), spectrum.end(), static_cast<float> (published + 1));

            if (snapshot.tryPublish (spectrum, kRate))
                ++published;
        }

        done = true;
    });

    std::vector<float> seen;
    double seenRate = 0.0;
    int lastSequence = 0;
    int inconsistentCopies = 0;
    int copies = 0;

    const auto readAndCheck = [&]
    {
        if (! snapshot.readIfNew (seen, seenRate, lastSequence))
            return;

        ++copies;

        if (std::any_of (seen.begin(), seen.end(),
                         [&] (float value) { return value != static_cast<float> (lastSequence); }))
            ++inconsistentCopies;
    };

    while (! done.load())
        readAndCheck();

    publisher.join();
    readAndCheck();

    EXPECT_EQ (inconsistentCopies, 0);
    EXPECT_GT (copies, 0);
}

// One packed FFTW transform per frame replaces the framework's two real transforms. Float FFTs
// of 8192 points round differently at about 1e-7 of the frame's level, so the spectra agree
// within a millionth of their largest bin, not bit for bit; the comparison covers every frame
// of a programme with bursts, silence, a one-channel stretch and non-finite samples.
TEST (SpectrumAnalyser, spectraAgreeWithTheFrameworksTransformsWithinAMillionthOfTheirPeak)
{
    for (const auto rate : { 44100.0, 96000.0 })
    {
        SpectrumAnalyser analyser;
        FrameworkSpectrum framework;
        int frames = 0;
        double worst = 0.0;

        analyser.onSpectrum = [&] (const std::vector<float>& magnitudes, double)
        {
            const auto& expected = framework.getMagnitudes();
            const auto peak = (double) *std::max_element (expected.begin(), expected.end());

            for (size_t k = 0; k < magnitudes.size(); ++k)
                worst = std::max (worst, std::abs ((double) magnitudes[k] - expected[k]) / peak);

            ++frames;
        };
        analyser.prepare (rate);
        framework.prepare (rate);

        // The framework's spectrum goes first, so that the analyser's callback sees both.
        forEachVaryingBlock (makeTestProgramme (rate, 4.0, 5), [&] (const juce::AudioBuffer<float>& block)
        {
            for (int start = 0; start < block.getNumSamples();)
            {
                // A run of at most a hop completes at most one frame, so both have completed the
                // same frames when the analyser calls back.
                const auto length = std::min (SpectrumAnalyser::kHopSize, block.getNumSamples() - start);
                const juce::AudioBuffer<float> part (const_cast<float* const*> (block.getArrayOfReadPointers()),
                                                     2, start, length);
                framework.process (part);
                analyser.process (part);
                start += length;
            }
        });

        EXPECT_GT (frames, 40);
        EXPECT_LT (worst, 1.0e-6) << rate;
    }
}

// Hosts build plug-in instances on whatever threads they like; FFTW's planner is not safe to
// use from two threads at once unless told to lock, which the transform does before planning.
TEST (SpectrumAnalyser, analysersBuiltOnSeveralThreadsAtOnceAllGiveTheSameSpectrum)
{
    constexpr int kThreads = 8;
    std::vector<std::vector<float>> spectra (kThreads);
    std::vector<std::thread> threads;
    std::atomic<int> ready { 0 };

    for (int t = 0; t < kThreads; ++t)
    {
        threads.emplace_back ([&, t]
        {
            ++ready;

            while (ready.load() < kThreads)
                std::this_thread::yield();

            SpectrumAnalyser analyser;
            analyser.prepare (kRate);
            feed (analyser, 2, 0.5, [] (int channel, int i) { return (channel == 0 ? 0.5f : 0.25f) * fullScaleSine (i); });
            spectra[(size_t) t] = analyser.getMagnitudes();
        });
    }

    for (auto& thread : threads)
        thread.join();

    ASSERT_GT (spectra[0][kBin3kHz], 0.1f);

    for (const auto& spectrum : spectra)
        EXPECT_EQ (spectrum, spectra[0]);
}
