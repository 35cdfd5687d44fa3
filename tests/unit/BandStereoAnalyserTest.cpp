#include "engine/BandStereoAnalyser.h"
#include "support/AllocationGuard.h"
#include "support/FrameworkEngines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr double kWindowSeconds = 3.0;

using Band = BandStereoAnalyser::Band;

/** Sample generator: fills left and right at sample index i. */
using StereoSignal = std::function<void (int i, float& left, float& right)>;

float sineAt (double frequency, int i, double amplitude = 0.5)
{
    return (float) (amplitude * std::sin (juce::MathConstants<double>::twoPi * frequency * i / kRate));
}

juce::AudioBuffer<float> makeSignal (int numChannels, int numSamples, const StereoSignal& signal)
{
    juce::AudioBuffer<float> buffer (numChannels, numSamples);

    for (int i = 0; i < numSamples; ++i)
    {
        float left = 0.0f, right = 0.0f;
        signal (i, left, right);
        buffer.setSample (0, i, left);

        if (numChannels > 1)
            buffer.setSample (1, i, right);
    }

    return buffer;
}

/** Feeds the signal through the analyser in host-sized blocks, as processBlock does. */
void feedInBlocks (BandStereoAnalyser& analyser, const juce::AudioBuffer<float>& signal, int blockSize = kBlock)
{
    for (int start = 0; start < signal.getNumSamples(); start += blockSize)
    {
        const auto length = std::min (blockSize, signal.getNumSamples() - start);
        const juce::AudioBuffer<float> block (const_cast<float* const*> (signal.getArrayOfReadPointers()),
                                              signal.getNumChannels(), start, length);
        analyser.process (block);
    }
}

int windowSamples()
{
    return (int) (kWindowSeconds * kRate);
}

struct StereoImageCase
{
    const char* name;
    int numChannels;
    StereoSignal signal;
    std::vector<Band> bands;       // bands that carry the signal
    float expectedWidth;
    float widthTolerance;
    float expectedCorrelation;
    float correlationTolerance;
};

/** White noise in [-0.5, 0.5) as a pure function of the sample index (a hash of it and the
    seed): the cases live for the whole run, so their signals hold no generator of their own. */
float noiseAt (std::uint64_t seed, int i)
{
    auto z = seed * 0x9e3779b97f4a7c15ull + (std::uint64_t) i * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    z ^= z >> 31;
    return (float) ((double) (z >> 11) / (double) (1ull << 53)) - 0.5f;
}

/** Independent white noise in both channels, reproducible. */
StereoSignal independentNoise()
{
    return [] (int i, float& l, float& r)
    {
        l = noiseAt (1234, i);
        r = noiseAt (98765, i);
    };
}

StereoSignal monoNoise()
{
    return [] (int i, float& l, float& r) { l = r = noiseAt (4321, i); };
}

const std::vector<StereoImageCase>& stereoImageCases()
{
    static const std::vector<StereoImageCase> cases {
        { "identicalSineIsMonoInTheMidBand", 2,
          [] (int i, float& l, float& r) { l = r = sineAt (1000.0, i); },
          { Band::mid }, 0.0f, 0.01f, 1.0f, 1.0e-4f },
        { "invertedRightChannelIsFullyWideInTheMidBand", 2,
          [] (int i, float& l, float& r) { l = sineAt (1000.0, i); r = -l; },
          { Band::mid }, 100.0f, 0.01f, -1.0f, 1.0e-4f },
        // About 2 x bandwidth x 3 s independent values per band: the correlation's spread is
        // below 0.03 even in the LOW band, so 0.1 is more than three of it.
        { "independentNoiseIsHalfWideAndUncorrelatedInEveryBand", 2, independentNoise(),
          { Band::low, Band::mid, Band::high }, 50.0f, 5.0f, 0.0f, 0.1f },
        { "oneChannelBufferIsMonoInEveryBand", 1, monoNoise(),
          { Band::low, Band::mid, Band::high }, 0.0f, 0.01f, 1.0f, 1.0e-4f },
    };
    return cases;
}

class BandStereoAnalyserImage : public ::testing::TestWithParam<StereoImageCase> {};
} // namespace

TEST_P (BandStereoAnalyserImage, readsTheExpectedWidthAndCorrelationOverAFullWindow)
{
    const auto& testCase = GetParam();

    BandStereoAnalyser analyser;
    analyser.prepare (kRate);
    feedInBlocks (analyser, makeSignal (testCase.numChannels, windowSamples(), testCase.signal));

    for (auto band : testCase.bands)
    {
        const auto& result = analyser.getResults()[(size_t) band];
        EXPECT_TRUE (result.valid) << "band " << band;
        EXPECT_NEAR (result.widthPercent, testCase.expectedWidth, testCase.widthTolerance) << "band " << band;
        EXPECT_NEAR (result.correlation, testCase.expectedCorrelation, testCase.correlationTolerance) << "band " << band;
    }
}

INSTANTIATE_TEST_SUITE_P (Signals, BandStereoAnalyserImage, ::testing::ValuesIn (stereoImageCases()),
                          [] (const auto& paramInfo) { return std::string (paramInfo.param.name); });

TEST (BandStereoAnalyser, sineReadsTheCrestOfASineWithinTwentiethOfADecibel)
{
    BandStereoAnalyser analyser;
    analyser.prepare (kRate);

    // The sine's abrupt start rings in the band filters and overshoots; one second more than
    // the window pushes that onset out of it.
    feedInBlocks (analyser, makeSignal (2, windowSamples() + (int) kRate,
                                        [] (int i, float& l, float& r) { l = r = sineAt (1000.0, i); }));

    // Peak over RMS of a sine is sqrt 2, 3.01 dB; sampling can miss the true peak by a hair.
    EXPECT_NEAR (analyser.getResults()[Band::mid].crestDb, 3.0103f, 0.05f);
}

struct GroupCase
{
    double sampleRate;
    int groupLength;    // 100 ms of samples
};

class BandStereoAnalyserValidity : public ::testing::TestWithParam<GroupCase> {};

TEST_P (BandStereoAnalyserValidity, resultsBecomeValidOnTheThirtiethGroupNotTheTwentyNinth)
{
    const auto [sampleRate, groupLength] = GetParam();
    BandStereoAnalyser analyser;
    analyser.prepare (sampleRate);
    ASSERT_EQ (analyser.getGroupLength(), groupLength);

    const auto sine = [sampleRate] (int i, float& l, float& r)
    {
        l = r = (float) (0.5 * std::sin (juce::MathConstants<double>::twoPi * 1000.0 * i / sampleRate));
    };
    const auto signal = makeSignal (2, BandStereoAnalyser::kHistoryGroups * groupLength, sine);
    const auto prefix = [&signal] (int start, int length)
    {
        return juce::AudioBuffer<float> (const_cast<float* const*> (signal.getArrayOfReadPointers()), 2, start, length);
    };

    const auto twentyNineGroups = 29 * groupLength;
    feedInBlocks (analyser, prefix (0, twentyNineGroups));
    EXPECT_FALSE (analyser.getResults()[Band::mid].valid) << "after 29 groups";

    feedInBlocks (analyser, prefix (twentyNineGroups, groupLength - 1));
    EXPECT_FALSE (analyser.getResults()[Band::mid].valid) << "one sample short of 30 groups";

    feedInBlocks (analyser, prefix (twentyNineGroups + groupLength - 1, 1));
    EXPECT_TRUE (analyser.getResults()[Band::mid].valid) << "after 30 groups";
}

INSTANTIATE_TEST_SUITE_P (SampleRates, BandStereoAnalyserValidity,
                          ::testing::Values (GroupCase { 44100.0, 4410 }, GroupCase { 48000.0, 4800 },
                                             GroupCase { 96000.0, 9600 }, GroupCase { 22050.0, 2205 }));

TEST (BandStereoAnalyser, resetStartsTheThirtyGroupWindowAgain)
{
    BandStereoAnalyser analyser;
    analyser.prepare (kRate);
    const auto signal = makeSignal (2, windowSamples(), [] (int i, float& l, float& r) { l = r = sineAt (1000.0, i); });
    feedInBlocks (analyser, signal);
    ASSERT_TRUE (analyser.getResults()[Band::mid].valid);

    analyser.reset();
    const auto cleared = analyser.getResults()[Band::mid];
    EXPECT_FALSE (cleared.valid);
    EXPECT_EQ (cleared.widthPercent, 0.0f);
    EXPECT_EQ (cleared.correlation, 0.0f);
    EXPECT_EQ (cleared.crestDb, 0.0f);

    const juce::AudioBuffer<float> almostFull (const_cast<float* const*> (signal.getArrayOfReadPointers()), 2, 0,
                                               windowSamples() - 1);
    feedInBlocks (analyser, almostFull);
    EXPECT_FALSE (analyser.getResults()[Band::mid].valid);
}

TEST (BandStereoAnalyser, bandBelowMinus70DbfsStaysInvalidWhileMinus60DbfsIsValid)
{
    const auto validAfterWindow = [] (double amplitude)
    {
        BandStereoAnalyser analyser;
        analyser.prepare (kRate);
        feedInBlocks (analyser, makeSignal (2, windowSamples(), [amplitude] (int i, float& l, float& r)
                                            { l = r = sineAt (1000.0, i, amplitude); }));
        return analyser.getResults()[Band::mid].valid;
    };

    // A sine's mean square is amplitude^2 / 2; -80 and -60 dBFS in mean square.
    EXPECT_FALSE (validAfterWindow (std::sqrt (2.0 * 1.0e-8)));
    EXPECT_TRUE (validAfterWindow (std::sqrt (2.0 * 1.0e-6)));
}

TEST (BandStereoAnalyser, silenceReadsZeroEverywhereAndInvalid)
{
    BandStereoAnalyser analyser;
    analyser.prepare (kRate);
    feedInBlocks (analyser, makeSignal (2, windowSamples(), [] (int, float& l, float& r) { l = r = 0.0f; }));

    for (const auto& result : analyser.getResults())
    {
        EXPECT_FALSE (result.valid);
        EXPECT_EQ (result.widthPercent, 0.0f);
        EXPECT_EQ (result.correlation, 0.0f);
        EXPECT_EQ (result.crestDb, 0.0f);
    }
}

TEST (BandStereoAnalyser, signalInTheLeftChannelOnlyReadsHalfWidthAndNoCorrelation)
{
    BandStereoAnalyser analyser;
    analyser.prepare (kRate);
    feedInBlocks (analyser, makeSignal (2, windowSamples(), [] (int i, float& l, float& r) { l = sineAt (1000.0, i); r = 0.0f; }));

    const auto& mid = analyser.getResults()[Band::mid];
    EXPECT_NEAR (mid.widthPercent, 50.0f, 1.0e-3f);
    EXPECT_EQ (mid.correlation, 0.0f);
}

TEST (BandStereoAnalyser, nonFiniteSamplesCountAsSilence)
{
    const auto sine = [] (int i, float& l, float& r) { l = sineAt (1000.0, i); r = sineAt (300.0, i); };
    auto clean = makeSignal (2, windowSamples(), sine);
    auto dirty = makeSignal (2, windowSamples(), sine);

    for (int i : { 100, 20000, 90000 })
    {
        clean.setSample (0, i, 0.0f);
        clean.setSample (1, i + 7, 0.0f);
        clean.setSample (0, i + 9, 0.0f);
        dirty.setSample (0, i, std::numeric_limits<float>::quiet_NaN());
        dirty.setSample (1, i + 7, std::numeric_limits<float>::infinity());
        dirty.setSample (0, i + 9, -std::numeric_limits<float>::infinity());
    }

    BandStereoAnalyser cleanAnalyser, dirtyAnalyser;
    cleanAnalyser.prepare (kRate);
    dirtyAnalyser.prepare (kRate);
    feedInBlocks (cleanAnalyser, clean);
    feedInBlocks (dirtyAnalyser, dirty);

    for (size_t band = 0; band < (size_t) kNumStereoBands; ++band)
    {
        const auto& expected = cleanAnalyser.getResults()[band];
        const auto& actual = dirtyAnalyser.getResults()[band];
        EXPECT_EQ (actual.valid, expected.valid);
        EXPECT_EQ (actual.widthPercent, expected.widthPercent);
        EXPECT_EQ (actual.correlation, expected.correlation);
        EXPECT_EQ (actual.crestDb, expected.crestDb);
    }
}

struct TopEdgeCase
{
    double sampleRate;
    double topEdgeHz;
};

class BandStereoAnalyserTopEdge : public ::testing::TestWithParam<TopEdgeCase> {};

TEST_P (BandStereoAnalyserTopEdge, highBandEndsThreeDecibelsDownAtTheTopEdge)
{
    const auto [sampleRate, topEdgeHz] = GetParam();
    BandStereoAnalyser analyser;
    analyser.prepare (sampleRate);

    const auto minus3Db = 1.0 / std::sqrt (2.0);
    const auto toleranceDb = 0.05;
    const auto dbOf = [] (double gain) { return 20.0 * std::log10 (gain); };

    // The HIGH band's high-pass sits at 3 kHz and its low-pass at the top edge; each is 3 dB
    // down at its own edge while the other is flat there.
    EXPECT_NEAR (dbOf (analyser.getBandMagnitude (Band::high, topEdgeHz)), dbOf (minus3Db), toleranceDb);
    EXPECT_NEAR (dbOf (analyser.getBandMagnitude (Band::high, 3000.0)), dbOf (minus3Db), toleranceDb);
    EXPECT_NEAR (dbOf (analyser.getBandMagnitude (Band::mid, 1000.0)), 0.0, 0.1);
}

INSTANTIATE_TEST_SUITE_P (SampleRates, BandStereoAnalyserTopEdge,
                          ::testing::Values (TopEdgeCase { 44100.0, 19845.0 },
                                             TopEdgeCase { 48000.0, 20000.0 },
                                             TopEdgeCase { 32000.0, 14400.0 }));

TEST (BandStereoAnalyser, unpreparedAnalyserIgnoresBlocks)
{
    BandStereoAnalyser analyser;
    feedInBlocks (analyser, makeSignal (2, windowSamples(), [] (int i, float& l, float& r) { l = r = sineAt (1000.0, i); }));

    EXPECT_FALSE (analyser.getResults()[Band::mid].valid);
    EXPECT_EQ (analyser.getResults()[Band::mid].correlation, 0.0f);

    analyser.prepare (0.0);
    EXPECT_EQ (analyser.getGroupLength(), 0);
}

TEST (BandStereoAnalyser, processingNeverAllocates)
{
    BandStereoAnalyser analyser;
    analyser.prepare (kRate);
    const auto signal = makeSignal (2, windowSamples(), [] (int i, float& l, float& r) { l = sineAt (1000.0, i); r = sineAt (200.0, i); });

    const juce::AudioBuffer<float> block (const_cast<float* const*> (signal.getArrayOfReadPointers()), 2, 0, kBlock);

    AllocationGuard guard;
    for (int i = 0; i < 300; ++i)
        analyser.process (block);
    analyser.reset();

    EXPECT_EQ (guard.allocationsSoFar(), 0);
}

// The analyser runs its six filter chains side by side in vector registers; the framework's own
// biquads, one sample and one filter at a time, must give the same results to the bit after
// every block, at every rate and for the host's changing block sizes.
TEST (BandStereoAnalyser, resultsEqualThoseOfTheFrameworksFiltersToTheBit)
{
    for (const auto rate : { 44100.0, 48000.0, 96000.0 })
    {
        BandStereoAnalyser analyser;
        FrameworkBandAnalyser framework;
        analyser.prepare (rate);
        framework.prepare (rate);

        int blocks = 0, validResults = 0;

        forEachVaryingBlock (makeTestProgramme (rate, 8.0, 4), [&] (const juce::AudioBuffer<float>& block)
        {
            analyser.process (block);
            framework.process (block);

            for (size_t k = 0; k < (size_t) kNumStereoBands; ++k)
            {
                const auto& got = analyser.getResults()[k];
                const auto& expected = framework.getResults()[k];
                ASSERT_EQ (got.widthPercent, expected.widthPercent) << "band " << k << ", block " << blocks << " at " << rate;
                ASSERT_EQ (got.crestDb, expected.crestDb) << "band " << k << ", block " << blocks << " at " << rate;
                ASSERT_EQ (got.correlation, expected.correlation) << "band " << k << ", block " << blocks << " at " << rate;
                ASSERT_EQ (got.valid, expected.valid) << "band " << k << ", block " << blocks << " at " << rate;
                validResults += got.valid ? 1 : 0;
            }

            ++blocks;
        });

        EXPECT_GT (validResults, 100) << "the comparison must cover valid results too";
    }
}
