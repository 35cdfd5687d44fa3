#include "engine/TruePeakMeter.h"
#include "support/AllocationGuard.h"
#include "support/FrameworkEngines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr double kFadeSeconds = 0.02;
constexpr double kSignalSeconds = 1.0;

float toDb (float linear)
{
    return 20.0f * std::log10 (linear);
}

/** A sine at sampleRate / divisor starting at phaseDegrees, faded in and out linearly over
    kFadeSeconds, in every channel: the shape of the EBU true-peak test signals. */
juce::AudioBuffer<float> makeFadedSine (int numChannels, double divisor, double phaseDegrees, double amplitude)
{
    const auto numSamples = static_cast<int> (kSignalSeconds * kRate);
    const auto fadeSamples = static_cast<int> (kFadeSeconds * kRate);
    const auto phase = juce::degreesToRadians (phaseDegrees);

    juce::AudioBuffer<float> buffer (numChannels, numSamples);

    for (int i = 0; i < numSamples; ++i)
    {
        const auto fade = std::min ({ 1.0, static_cast<double> (i) / fadeSamples,
                                      static_cast<double> (numSamples - 1 - i) / fadeSamples });
        const auto value = amplitude * fade * std::sin (juce::MathConstants<double>::twoPi * i / divisor + phase);

        for (int channel = 0; channel < numChannels; ++channel)
            buffer.setSample (channel, i, static_cast<float> (value));
    }

    return buffer;
}

/** Feeds the signal through the meter in host blocks of blockSize samples, as processBlock does. */
void feedInBlocks (TruePeakMeter& meter, const juce::AudioBuffer<float>& signal, int blockSize, bool playing = true)
{
    for (int start = 0; start < signal.getNumSamples(); start += blockSize)
    {
        const auto length = std::min (blockSize, signal.getNumSamples() - start);
        const juce::AudioBuffer<float> block (const_cast<float* const*> (signal.getArrayOfReadPointers()),
                                              signal.getNumChannels(), start, length);
        meter.process (block, playing);
    }
}

struct TruePeakCase
{
    const char* name;
    double divisor;     // the sine's frequency is the sample rate divided by this
    double phaseDegrees;
    double amplitude;
    float expectedDbtp;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo (const TruePeakCase& testCase, std::ostream* os)
{
    *os << testCase.name;
}

// EBU Tech 3341's true-peak cases; the tolerance there is +0.2 / -0.4 dB.
const TruePeakCase kTruePeakCases[] = {
    { "quarterRatePhase0",         4.0,  0.0,  0.5,  -6.0f },
    { "quarterRatePhase45",        4.0,  45.0, 0.5,  -6.0f },
    { "sixthRatePhase60",          6.0,  60.0, 0.5,  -6.0f },
    { "eighthRatePhase67_5",       8.0,  67.5, 0.5,  -6.0f },
    { "quarterRatePhase45Over0dB", 4.0,  45.0, 1.41, 3.0f },
};

class TruePeakMeterEbuCases : public ::testing::TestWithParam<TruePeakCase> {};
} // namespace

TEST_P (TruePeakMeterEbuCases, readsTheExpectedTruePeakWithinTheEbuTolerance)
{
    const auto& testCase = GetParam();

    TruePeakMeter meter;
    meter.prepare (2, kBlock, kRate);
    feedInBlocks (meter, makeFadedSine (2, testCase.divisor, testCase.phaseDegrees, testCase.amplitude), kBlock);

    const auto dbtp = toDb (meter.truePeakHold.load());
    EXPECT_LE (dbtp, testCase.expectedDbtp + 0.2f);
    EXPECT_GE (dbtp, testCase.expectedDbtp - 0.4f);
}

INSTANTIATE_TEST_SUITE_P (TruePeakMeter, TruePeakMeterEbuCases, ::testing::ValuesIn (kTruePeakCases),
                          [] (const auto& paramInfo) { return std::string (paramInfo.param.name); });

TEST (TruePeakMeter, quarterRateSineSampled45DegreesOffItsPeaksHasSamplePeakOfMinus9Point03Dbfs)
{
    TruePeakMeter meter;
    meter.prepare (2, kBlock, kRate);
    feedInBlocks (meter, makeFadedSine (2, 4.0, 45.0, 0.5), kBlock);

    // 0.5 * sin (45 degrees) = 0.3536: the samples never land on the peaks.
    EXPECT_NEAR (toDb (meter.samplePeakHold.load()), -9.03f, 0.01f);
}

TEST (TruePeakMeter, hostBlocksLongerThanPreparedAreMeasuredInChunksWithTheSameResultAndNoAllocation)
{
    const auto signal = makeFadedSine (2, 6.0, 60.0, 0.5);

    TruePeakMeter chunked;
    chunked.prepare (2, kBlock, kRate);

    TruePeakMeter whole;
    whole.prepare (2, 4096, kRate);

    {
        AllocationGuard guard;
        feedInBlocks (chunked, signal, 4096);
        EXPECT_EQ (guard.allocationsSoFar(), 0);
    }

    feedInBlocks (whole, signal, 4096);

    EXPECT_FLOAT_EQ (chunked.truePeakHold.load(), whole.truePeakHold.load());
    EXPECT_FLOAT_EQ (chunked.samplePeakHold.load(), whole.samplePeakHold.load());
}

TEST (TruePeakMeter, holdsKeepTheHighestPeakUntilTheEditorTakesThem)
{
    TruePeakMeter meter;
    meter.prepare (1, kBlock, kRate);

    juce::AudioBuffer<float> block (1, kBlock);
    block.clear();

    block.setSample (0, 100, 0.9f);
    meter.process (block, true);
    block.setSample (0, 100, 0.5f);
    meter.process (block, true);

    EXPECT_FLOAT_EQ (meter.takeSamplePeakHold(), 0.9f);
    EXPECT_FLOAT_EQ (meter.samplePeakHold.load(), 0.0f);

    meter.process (block, true);
    EXPECT_FLOAT_EQ (meter.takeSamplePeakHold(), 0.5f);
}

TEST (TruePeakMeter, blockWhileNotPlayingLeavesBothHoldsAtZero)
{
    TruePeakMeter meter;
    meter.prepare (2, kBlock, kRate);
    feedInBlocks (meter, makeFadedSine (2, 4.0, 45.0, 0.9), kBlock, true);
    ASSERT_GT (meter.truePeakHold.load(), 0.8f);

    juce::AudioBuffer<float> loud (2, kBlock);
    std::fill (loud.getWritePointer (0), loud.getWritePointer (0) + kBlock, 0.7f);
    std::fill (loud.getWritePointer (1), loud.getWritePointer (1) + kBlock, 0.7f);
    meter.process (loud, false);

    EXPECT_EQ (meter.samplePeakHold.load(), 0.0f);
    EXPECT_EQ (meter.truePeakHold.load(), 0.0f);
}

TEST (TruePeakMeter, resetClearsBothHolds)
{
    TruePeakMeter meter;
    meter.prepare (2, kBlock, kRate);
    feedInBlocks (meter, makeFadedSine (2, 4.0, 0.0, 0.5), kBlock);

    meter.reset();

    EXPECT_EQ (meter.samplePeakHold.load(), 0.0f);
    EXPECT_EQ (meter.truePeakHold.load(), 0.0f);
}

TEST (TruePeakMeter, peakInTheLastSampleOfABlockStillRaisesTheTruePeakHold)
{
    TruePeakMeter meter;
    meter.prepare (2, kBlock, kRate);

    juce::AudioBuffer<float> block (2, kBlock);
    block.clear();
    block.setSample (1, kBlock - 1, -0.8f);

    meter.process (block, true);

    // The oversampling filters have not passed this sample yet; the hold must not miss it.
    EXPECT_GE (meter.truePeakHold.load(), 0.8f);
}

TEST (TruePeakMeter, nonFiniteSamplesCountAsSilence)
{
    TruePeakMeter meter;
    meter.prepare (2, kBlock, kRate);

    auto block = makeFadedSine (2, 8.0, 0.0, 0.25);
    block.setSample (0, 3000, std::numeric_limits<float>::quiet_NaN());
    block.setSample (1, 7000, std::numeric_limits<float>::infinity());
    feedInBlocks (meter, block, kBlock);

    // Neither hold nor filter history may carry the bad samples: the reading is the sine's.
    EXPECT_TRUE (std::isfinite (meter.truePeakHold.load()));
    EXPECT_NEAR (toDb (meter.truePeakHold.load()), -12.04f, 0.3f);
}

TEST (TruePeakMeter, unpreparedMeterMeasuresNothing)
{
    TruePeakMeter meter;
    meter.process (makeFadedSine (2, 4.0, 0.0, 0.5), true);

    EXPECT_EQ (meter.samplePeakHold.load(), 0.0f);
    EXPECT_EQ (meter.truePeakHold.load(), 0.0f);
}

TEST (TruePeakMeter, bufferWithMoreChannelsThanPreparedIsMeasuredOnThePreparedOnes)
{
    TruePeakMeter meter;
    meter.prepare (1, kBlock, kRate);

    juce::AudioBuffer<float> block (2, kBlock);
    block.clear();
    block.setSample (0, 10, 0.25f);
    block.setSample (1, 10, 0.75f);
    meter.process (block, true);

    EXPECT_FLOAT_EQ (meter.samplePeakHold.load(), 0.25f);
}

// The meter computes only the oversampling filters' non-trivial outputs, several at a time; the
// framework's own 4x oversampler must read the same, to the bit, block by block, whatever the
// rate, the host's block sizes and the signal (bursts over full scale, silence, NaN).
TEST (TruePeakMeter, blockTruePeaksEqualThoseOfTheFrameworksOversamplerToTheBit)
{
    for (const auto rate : { 44100.0, 96000.0 })
    {
        constexpr int prepared = 512;
        TruePeakMeter meter;
        FrameworkTruePeak framework;
        meter.prepare (2, prepared, rate);
        framework.prepare (2, prepared);

        int blocks = 0;

        forEachVaryingBlock (makeTestProgramme (rate, 2.0, 3), [&] (const juce::AudioBuffer<float>& block)
        {
            meter.process (block, true);
            const auto expected = framework.process (block);
            ASSERT_EQ (meter.takeTruePeakHold(), expected) << "block " << blocks << " at " << rate << " Hz";
            ++blocks;
        });

        EXPECT_GT (blocks, 100);
    }
}
