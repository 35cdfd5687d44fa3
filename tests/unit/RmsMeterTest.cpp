#include "engine/RmsMeter.h"
#include "support/AllocationGuard.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 512;       // 48000 is not a multiple: the ring wraps inside blocks
constexpr double kToneHz = 1000.0;
constexpr float kToleranceDb = 0.02f;

/** The value of one channel at sample index i. */
using Waveform = std::function<float (int channel, int i)>;

float fullScaleSine (int i)
{
    return static_cast<float> (std::sin (juce::MathConstants<double>::twoPi * kToneHz * i / kRate));
}

float fullScaleSquare (int i)
{
    return fullScaleSine (i) >= 0.0f ? 1.0f : -1.0f;
}

/** Feeds seconds of the waveform in host blocks, continuing at sample index firstSample. */
void feed (RmsMeter& meter, int numChannels, double seconds, const Waveform& waveform, int firstSample = 0)
{
    const auto total = static_cast<int> (seconds * kRate);
    juce::AudioBuffer<float> block (numChannels, kBlock);

    for (int start = 0; start < total; start += kBlock)
    {
        const auto length = std::min (kBlock, total - start);
        block.setSize (numChannels, length, false, false, true);

        for (int channel = 0; channel < numChannels; ++channel)
            for (int i = 0; i < length; ++i)
                block.setSample (channel, i, waveform (channel, firstSample + start + i));

        meter.process (block);
    }
}

struct LevelCase
{
    const char* name;
    int bufferChannels;
    Waveform waveform;
    float expectedDb;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo (const LevelCase& testCase, std::ostream* os)
{
    *os << testCase.name;
}

const LevelCase kLevelCases[] = {
    { "sineInBothChannels",      2, [] (int, int i) { return fullScaleSine (i); },                          0.0f },
    { "sineInOneChannel",        2, [] (int c, int i) { return c == 0 ? fullScaleSine (i) : 0.0f; },       -3.01f },
    { "sineInAMonoBuffer",       1, [] (int, int i) { return fullScaleSine (i); },                         -3.01f },
    { "squareInBothChannels",    2, [] (int, int i) { return fullScaleSquare (i); },                        3.01f },
    { "silence",                 2, [] (int, int) { return 0.0f; },                                     -100.0f },
};

class RmsMeterLevels : public ::testing::TestWithParam<LevelCase> {};
} // namespace

TEST_P (RmsMeterLevels, readsTheSignalsLevelAfterTheRingHasWrappedSeveralTimes)
{
    const auto& testCase = GetParam();

    RmsMeter meter;
    meter.prepare (2, kRate);
    feed (meter, testCase.bufferChannels, 3.7, testCase.waveform);

    EXPECT_NEAR (meter.longRmsDb.load(), testCase.expectedDb, kToleranceDb);
}

INSTANTIATE_TEST_SUITE_P (RmsMeter, RmsMeterLevels, ::testing::ValuesIn (kLevelCases),
                          [] (const auto& paramInfo) { return std::string (paramInfo.param.name); });

TEST (RmsMeter, readingIsNanBeforeTheFirstSampleAndAfterReset)
{
    RmsMeter meter;
    EXPECT_TRUE (std::isnan (meter.longRmsDb.load()));

    meter.prepare (2, kRate);
    EXPECT_TRUE (std::isnan (meter.longRmsDb.load()));

    feed (meter, 2, 0.1, [] (int, int i) { return fullScaleSine (i); });
    ASSERT_FALSE (std::isnan (meter.longRmsDb.load()));

    meter.reset();
    EXPECT_TRUE (std::isnan (meter.longRmsDb.load()));
}

TEST (RmsMeter, halfASecondAfterResetAveragesOverTheSamplesMeasuredSoFar)
{
    RmsMeter meter;
    meter.prepare (2, kRate);
    feed (meter, 2, 2.0, [] (int, int) { return 0.0f; });

    meter.reset();
    feed (meter, 2, 0.5, [] (int, int i) { return fullScaleSine (i); });

    EXPECT_NEAR (meter.longRmsDb.load(), 0.0f, kToleranceDb);
}

TEST (RmsMeter, windowForgetsALoudPastOnceTheRingHasWrapped)
{
    // Every sample after the first second takes the oldest entry out of the running sum; an
    // oldest-entry index that is not wrapped into the ring reads outside it and corrupts the sum.
    RmsMeter meter;
    meter.prepare (2, kRate);

    feed (meter, 2, 2.5, [] (int, int i) { return fullScaleSine (i); });
    ASSERT_NEAR (meter.longRmsDb.load(), 0.0f, kToleranceDb);

    const auto quarterScale = [] (int, int i) { return 0.25f * fullScaleSine (i); };
    feed (meter, 2, 1.5, quarterScale, static_cast<int> (2.5 * kRate));
    EXPECT_NEAR (meter.longRmsDb.load(), -12.04f, kToleranceDb);

    feed (meter, 2, 1.2, [] (int, int) { return 0.0f; });
    EXPECT_FLOAT_EQ (meter.longRmsDb.load(), RmsMeter::kFloorDb);
}

TEST (RmsMeter, nonFiniteSamplesCountAsSilenceAndLeaveTheWindow)
{
    RmsMeter meter;
    meter.prepare (2, kRate);

    feed (meter, 2, 0.5, [] (int c, int i)
    {
        if (i == 1000)
            return c == 0 ? std::numeric_limits<float>::quiet_NaN() : std::numeric_limits<float>::infinity();

        return fullScaleSine (i);
    });
    EXPECT_TRUE (std::isfinite (meter.longRmsDb.load()));

    feed (meter, 2, 1.5, [] (int, int i) { return fullScaleSine (i); });
    EXPECT_NEAR (meter.longRmsDb.load(), 0.0f, kToleranceDb);
}

TEST (RmsMeter, processingDoesNotAllocate)
{
    RmsMeter meter;
    meter.prepare (2, kRate);

    juce::AudioBuffer<float> block (2, kBlock);
    for (int i = 0; i < kBlock; ++i)
        block.setSample (0, i, fullScaleSine (i));

    AllocationGuard guard;

    // Three seconds: the ring wraps and the running sum starts dropping its oldest entries.
    for (int n = 0; n < 300; ++n)
        meter.process (block);

    meter.reset();
    meter.process (block);

    EXPECT_EQ (guard.allocationsSoFar(), 0);
}

TEST (RmsMeter, unpreparedMeterStaysNan)
{
    RmsMeter meter;
    feed (meter, 2, 0.1, [] (int, int i) { return fullScaleSine (i); });

    EXPECT_TRUE (std::isnan (meter.longRmsDb.load()));
}
