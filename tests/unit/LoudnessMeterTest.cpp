#include "engine/LoudnessMeter.h"
#include "support/AllocationGuard.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

namespace
{
constexpr double kEbuToleranceLu = 0.1;       // EBU Tech 3341's tolerance for loudness readings
constexpr double kToneHz = 1000.0;
constexpr int kBlockSize = 512;

enum class Channels
{
    both,       // stereo buffer, the same tone in left and right
    leftOnly,   // stereo buffer, silent right channel
    mono        // one-channel buffer
};

/** Feeds a phase-continuous 1 kHz sine to a meter in blocks, as a host would. */
class ToneFeeder
{
public:
    ToneFeeder (LoudnessMeter& meterToFeed, double rate, Channels layout = Channels::both)
        : meter (meterToFeed),
          sampleRate (rate),
          block (layout == Channels::mono ? 1 : 2, kBlockSize),
          channels (layout)
    {
    }

    void feedSeconds (double dbfs, double seconds, bool gating = true)
    {
        feedSamples (dbfs, juce::roundToInt (seconds * sampleRate), gating);
    }

    void feedSamples (double dbfs, int numSamples, bool gating = true)
    {
        const double amplitude = dbfs == -std::numeric_limits<double>::infinity()
                                     ? 0.0
                                     : std::pow (10.0, dbfs / 20.0);
        const double phaseStep = juce::MathConstants<double>::twoPi * kToneHz / sampleRate;

        while (numSamples > 0)
        {
            const int n = juce::jmin (numSamples, kBlockSize);
            block.setSize (block.getNumChannels(), n, false, false, true);
            block.clear();

            for (int i = 0; i < n; ++i)
            {
                const auto value = (float) (amplitude * std::sin (phase));
                phase = std::fmod (phase + phaseStep, juce::MathConstants<double>::twoPi);

                block.setSample (0, i, value);
                if (channels == Channels::both)
                    block.setSample (1, i, value);
            }

            meter.process (block, gating);
            numSamples -= n;
        }
    }

private:
    LoudnessMeter& meter;
    double sampleRate;
    juce::AudioBuffer<float> block;
    Channels channels;
    double phase = 0.0;
};

struct Readings
{
    float momentary, shortTerm, integrated;
};

Readings readingsOf (const LoudnessMeter& meter)
{
    return { meter.momentaryLufs.load(), meter.shortTermLufs.load(), meter.integratedLufsOut.load() };
}

double responseDb (const LoudnessMeter::KWeighting& k, double frequency, double sampleRate)
{
    const auto z = std::polar (1.0, -juce::MathConstants<double>::twoPi * frequency / sampleRate);

    auto stage = [z] (const LoudnessMeter::BiquadCoefficients& c)
    {
        return (c.b0 + c.b1 * z + c.b2 * z * z) / (1.0 + c.a1 * z + c.a2 * z * z);
    };

    return 20.0 * std::log10 (std::abs (stage (k.shelf) * stage (k.highPass)));
}

//==============================================================================
struct Passage
{
    double dbfs;
    double seconds;
};

/** One EBU Tech 3341 style case: a stereo 1 kHz tone in passages, and the readings expected at
    its end.
*/
struct LevelCase
{
    std::string name;
    std::vector<Passage> passages;
    float momentary, shortTerm, integrated;
};

const std::vector<LevelCase> levelCases {
    { "steadyMinus23", { { -23.0, 20.0 } }, -23.0f, -23.0f, -23.0f },
    { "steadyMinus33", { { -33.0, 20.0 } }, -33.0f, -33.0f, -33.0f },
    { "quietPassagesBelowTheRelativeGate",
      { { -36.0, 10.0 }, { -23.0, 60.0 }, { -36.0, 10.0 } }, -36.0f, -36.0f, -23.0f },
    { "quietPassagesBelowTheAbsoluteGate",
      { { -72.0, 10.0 }, { -36.0, 10.0 }, { -23.0, 60.0 }, { -36.0, 10.0 }, { -72.0, 10.0 } },
      -72.0f, -72.0f, -23.0f },
    { "louderMiddleAveragesWithTheOuterPassages",
      { { -26.0, 20.0 }, { -20.0, 20.1 }, { -26.0, 20.0 } }, -26.0f, -26.0f, -23.0f },
};

class LoudnessMeterLevels : public ::testing::TestWithParam<std::tuple<double, LevelCase>>
{
};

TEST_P (LoudnessMeterLevels, readsTheLevelOfTheEbuTestSignalWithinTolerance)
{
    const auto sampleRate = std::get<0> (GetParam());
    const auto& levelCase = std::get<1> (GetParam());

    LoudnessMeter meter;
    meter.prepare (2, sampleRate);
    ToneFeeder feeder (meter, sampleRate);

    for (const auto& passage : levelCase.passages)
        feeder.feedSeconds (passage.dbfs, passage.seconds);

    const auto readings = readingsOf (meter);

    EXPECT_NEAR (readings.momentary, levelCase.momentary, kEbuToleranceLu);
    EXPECT_NEAR (readings.shortTerm, levelCase.shortTerm, kEbuToleranceLu);
    EXPECT_NEAR (readings.integrated, levelCase.integrated, kEbuToleranceLu);
}

INSTANTIATE_TEST_SUITE_P (LoudnessMeter,
                          LoudnessMeterLevels,
                          ::testing::Combine (::testing::Values (44100.0, 48000.0),
                                              ::testing::ValuesIn (levelCases)),
                          [] (const auto& paramInfo)
                          {
                              return std::get<1> (paramInfo.param).name + "At"
                                     + std::to_string ((int) std::get<0> (paramInfo.param)) + "Hz";
                          });

//==============================================================================
class LoudnessMeterAtRate : public ::testing::TestWithParam<double>
{
};

TEST_P (LoudnessMeterAtRate, sineInOneChannelReads3Point01LuBelowTheSameSineInBoth)
{
    const auto sampleRate = GetParam();
    constexpr double kOneChannelDropLu = 3.0103;   // 10 log10 (2)
    constexpr double kTolerance = 0.01;

    auto measure = [sampleRate] (Channels layout)
    {
        LoudnessMeter meter;
        meter.prepare (2, sampleRate);
        ToneFeeder (meter, sampleRate, layout).feedSeconds (-20.0, 10.0);
        return readingsOf (meter);
    };

    const auto both = measure (Channels::both);

    for (auto layout : { Channels::leftOnly, Channels::mono })
    {
        const auto one = measure (layout);
        EXPECT_NEAR (both.momentary - one.momentary, kOneChannelDropLu, kTolerance);
        EXPECT_NEAR (both.shortTerm - one.shortTerm, kOneChannelDropLu, kTolerance);
        EXPECT_NEAR (both.integrated - one.integrated, kOneChannelDropLu, kTolerance);
    }
}

TEST_P (LoudnessMeterAtRate, shortTermWindowIsFullAfterExactlyThreeSeconds)
{
    const auto sampleRate = GetParam();
    const int threeSeconds = juce::roundToInt (3.0 * sampleRate);

    LoudnessMeter meter;
    meter.prepare (2, sampleRate);
    ToneFeeder feeder (meter, sampleRate);

    EXPECT_EQ (meter.shortTermLength, threeSeconds);

    feeder.feedSamples (-23.0, threeSeconds - 1);
    EXPECT_LT (meter.filled, meter.shortTermLength);

    feeder.feedSamples (-23.0, 1);
    EXPECT_GE (meter.filled, meter.shortTermLength);

    feeder.feedSeconds (-23.0, 5.0);
    EXPECT_EQ (meter.filled, meter.shortTermLength);
}

INSTANTIATE_TEST_SUITE_P (LoudnessMeter,
                          LoudnessMeterAtRate,
                          ::testing::Values (44100.0, 48000.0),
                          [] (const auto& paramInfo) { return "At" + std::to_string ((int) paramInfo.param) + "Hz"; });

//==============================================================================
TEST (LoudnessMeter, kWeightingAt48kHzEqualsTheBs1770Table)
{
    constexpr double kTolerance = 1.0e-13;   // the table is given to 14 or 15 digits
    const auto k = LoudnessMeter::makeKWeighting (48000.0);

    EXPECT_NEAR (k.shelf.b0, 1.53512485958697, kTolerance);
    EXPECT_NEAR (k.shelf.b1, -2.69169618940638, kTolerance);
    EXPECT_NEAR (k.shelf.b2, 1.19839281085285, kTolerance);
    EXPECT_NEAR (k.shelf.a1, -1.69065929318241, kTolerance);
    EXPECT_NEAR (k.shelf.a2, 0.73248077421585, kTolerance);

    EXPECT_EQ (k.highPass.b0, 1.0);
    EXPECT_EQ (k.highPass.b1, -2.0);
    EXPECT_EQ (k.highPass.b2, 1.0);
    EXPECT_NEAR (k.highPass.a1, -1.99004745483398, kTolerance);
    EXPECT_NEAR (k.highPass.a2, 0.99007225036621, kTolerance);
}

TEST (LoudnessMeter, kWeightingAtOtherRatesHasTheResponseItHasAt48kHz)
{
    // The unnormalised high-pass numerator shifts the pass band by a few hundredths of a dB
    // away from 48 kHz; the shape is preserved.
    constexpr double kToleranceDb = 0.05;
    const auto reference = LoudnessMeter::makeKWeighting (48000.0);

    for (double rate : { 44100.0, 88200.0, 96000.0, 192000.0 })
    {
        const auto k = LoudnessMeter::makeKWeighting (rate);

        for (double frequency : { 25.0, 100.0, 500.0, 1000.0, 1500.0, 3000.0, 8000.0 })
            EXPECT_NEAR (responseDb (k, frequency, rate), responseDb (reference, frequency, 48000.0), kToleranceDb)
                << frequency << " Hz at " << rate << " Hz";
    }
}

TEST (LoudnessMeter, readingsHaveNoValueAfterPrepareAndSilenceReadsMinusInfinity)
{
    LoudnessMeter meter;
    meter.prepare (2, 48000.0);

    const auto prepared = readingsOf (meter);
    EXPECT_TRUE (std::isnan (prepared.momentary));
    EXPECT_TRUE (std::isnan (prepared.shortTerm));
    EXPECT_TRUE (std::isnan (prepared.integrated));

    ToneFeeder feeder (meter, 48000.0);
    feeder.feedSamples (-std::numeric_limits<double>::infinity(), kBlockSize);
    EXPECT_EQ (meter.momentaryLufs.load(), -std::numeric_limits<float>::infinity());
    EXPECT_EQ (meter.shortTermLufs.load(), -std::numeric_limits<float>::infinity());

    // Silence never passes the absolute gate, however long it is measured.
    feeder.feedSeconds (-std::numeric_limits<double>::infinity(), 10.0);
    const auto silent = readingsOf (meter);
    EXPECT_EQ (silent.momentary, -std::numeric_limits<float>::infinity());
    EXPECT_EQ (silent.shortTerm, -std::numeric_limits<float>::infinity());
    EXPECT_TRUE (std::isnan (silent.integrated));
}

TEST (LoudnessMeter, measuresNothingBeforePrepareOrAtARateItCannotWeight)
{
    juce::AudioBuffer<float> loud (2, kBlockSize);
    for (int c = 0; c < 2; ++c)
        juce::FloatVectorOperations::fill (loud.getWritePointer (c), 0.5f, kBlockSize);

    auto expectNoReadings = [&loud] (LoudnessMeter& meter)
    {
        for (int i = 0; i < 200; ++i)
            meter.process (loud, true);

        const auto r = readingsOf (meter);
        EXPECT_TRUE (std::isnan (r.momentary));
        EXPECT_TRUE (std::isnan (r.shortTerm));
        EXPECT_TRUE (std::isnan (r.integrated));
        EXPECT_EQ (meter.filled, 0);
    };

    LoudnessMeter unprepared;
    expectNoReadings (unprepared);

    for (double badRate : { 0.0, -48000.0, 3000.0, std::numeric_limits<double>::quiet_NaN() })
    {
        LoudnessMeter meter;
        meter.prepare (2, 48000.0);
        meter.prepare (2, badRate);
        expectNoReadings (meter);
    }
}

TEST (LoudnessMeter, nonFiniteSamplesCountAsZero)
{
    constexpr int kNumBlocks = 400;   // a little over 4 s at 48 kHz
    const float poison[] = { std::numeric_limits<float>::quiet_NaN(),
                             std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity() };

    LoudnessMeter poisoned, zeroed;
    poisoned.prepare (2, 48000.0);
    zeroed.prepare (2, 48000.0);

    juce::AudioBuffer<float> withPoison (2, kBlockSize), withZeros (2, kBlockSize);
    int poisonIndex = 0;

    for (int b = 0; b < kNumBlocks; ++b)
    {
        for (int c = 0; c < 2; ++c)
        {
            for (int i = 0; i < kBlockSize; ++i)
            {
                const auto t = (double) (b * kBlockSize + i) / 48000.0;
                const auto value = (float) (0.1 * std::sin (juce::MathConstants<double>::twoPi * kToneHz * t));
                const bool replaced = (i + 37 * c) % 61 == 0;

                withPoison.setSample (c, i, replaced ? poison[poisonIndex++ % 3] : value);
                withZeros.setSample (c, i, replaced ? 0.0f : value);
            }
        }

        poisoned.process (withPoison, true);
        zeroed.process (withZeros, true);
    }

    const auto p = readingsOf (poisoned);
    const auto z = readingsOf (zeroed);
    EXPECT_TRUE (std::isfinite (p.momentary) && std::isfinite (p.shortTerm) && std::isfinite (p.integrated));
    EXPECT_EQ (p.momentary, z.momentary);
    EXPECT_EQ (p.shortTerm, z.shortTerm);
    EXPECT_EQ (p.integrated, z.integrated);
}

TEST (LoudnessMeter, resetWindowsKeepsTheIntegratedValueAndResetIntegratedKeepsTheWindows)
{
    LoudnessMeter meter;
    meter.prepare (2, 48000.0);
    ToneFeeder feeder (meter, 48000.0);
    feeder.feedSeconds (-23.0, 5.0);

    const auto integrated = meter.integratedLufsOut.load();
    ASSERT_NEAR (integrated, -23.0, kEbuToleranceLu);

    meter.resetWindows();
    EXPECT_TRUE (std::isnan (meter.momentaryLufs.load()));
    EXPECT_TRUE (std::isnan (meter.shortTermLufs.load()));
    EXPECT_EQ (meter.filled, 0);
    EXPECT_EQ (meter.integratedLufsOut.load(), integrated);

    feeder.feedSeconds (-23.0, 4.0);
    EXPECT_NEAR (meter.momentaryLufs.load(), -23.0, kEbuToleranceLu);
    EXPECT_NEAR (meter.shortTermLufs.load(), -23.0, kEbuToleranceLu);

    const auto shortTerm = meter.shortTermLufs.load();
    meter.resetIntegrated();
    EXPECT_TRUE (std::isnan (meter.integratedLufsOut.load()));
    EXPECT_EQ (meter.shortTermLufs.load(), shortTerm);
    EXPECT_EQ (meter.filled, meter.shortTermLength);

    // A fresh integrated measurement starts from the passage after the reset only.
    feeder.feedSeconds (-33.0, 10.0);
    EXPECT_NEAR (meter.integratedLufsOut.load(), -33.0, kEbuToleranceLu);

    meter.reset();
    const auto cleared = readingsOf (meter);
    EXPECT_TRUE (std::isnan (cleared.momentary) && std::isnan (cleared.shortTerm) && std::isnan (cleared.integrated));
    EXPECT_EQ (meter.filled, 0);
}

TEST (LoudnessMeter, integratedCountsOnlyGatedAudioInBlocksOf400MsEvery100Ms)
{
    constexpr double rate = 48000.0;
    const int momentary = juce::roundToInt (0.4 * rate);
    const int hop = juce::roundToInt (0.1 * rate);

    LoudnessMeter meter;
    meter.prepare (2, rate);
    ToneFeeder feeder (meter, rate);

    feeder.feedSeconds (-23.0, 5.0, false);
    EXPECT_TRUE (std::isnan (meter.integratedLufsOut.load()));

    // The first block consists of gated samples only, so it ends 400 ms after gating starts.
    feeder.feedSamples (-23.0, momentary - 1);
    EXPECT_TRUE (std::isnan (meter.integratedLufsOut.load()));
    feeder.feedSamples (-23.0, 1);
    const auto first = meter.integratedLufsOut.load();
    EXPECT_NEAR (first, -23.0, kEbuToleranceLu);

    // A louder passage shows only when the next block is due, 100 ms later.
    feeder.feedSamples (-13.0, hop - 1);
    EXPECT_EQ (meter.integratedLufsOut.load(), first);
    feeder.feedSamples (-13.0, 1);
    const auto second = meter.integratedLufsOut.load();
    EXPECT_GT (second, first);

    // Ungated audio never moves it.
    feeder.feedSeconds (0.0, 5.0, false);
    EXPECT_EQ (meter.integratedLufsOut.load(), second);

    // After a pause in gating the next block again needs 400 ms of gated samples.
    feeder.feedSamples (-13.0, momentary - 1);
    EXPECT_EQ (meter.integratedLufsOut.load(), second);
    feeder.feedSamples (-13.0, 1);
    EXPECT_GT (meter.integratedLufsOut.load(), second);
}

TEST (LoudnessMeter, blocksAtOrBelowTheAbsoluteGateAreNotCounted)
{
    // A 1 kHz tone at x dBFS in both channels reads x LUFS to within 0.01 LU.
    auto integratedAt = [] (double dbfs)
    {
        LoudnessMeter meter;
        meter.prepare (2, 48000.0);
        ToneFeeder (meter, 48000.0).feedSeconds (dbfs, 5.0);
        return meter.integratedLufsOut.load();
    };

    EXPECT_TRUE (std::isnan (integratedAt (-70.05)));
    EXPECT_TRUE (std::isnan (integratedAt (-80.0)));
    EXPECT_NEAR (integratedAt (-69.95), -69.95, kEbuToleranceLu);
}

TEST (LoudnessMeter, loudnessAbove70LufsCountsWithItsTruePower)
{
    constexpr double dbfs = 85.0;   // far beyond full scale, which float samples can carry

    LoudnessMeter meter;
    meter.prepare (2, 48000.0);
    ToneFeeder (meter, 48000.0).feedSeconds (dbfs, 5.0);

    EXPECT_NEAR (meter.integratedLufsOut.load(), dbfs, kEbuToleranceLu);
    EXPECT_NEAR (meter.shortTermLufs.load(), dbfs, kEbuToleranceLu);
}

TEST (LoudnessMeter, aBufferWithMoreChannelsIsMeasuredOnItsFirstTwo)
{
    constexpr int kWideChannels = 6;
    constexpr int kNumBlocks = 600;

    LoudnessMeter wide, stereo;
    wide.prepare (kWideChannels, 48000.0);
    stereo.prepare (2, 48000.0);

    juce::AudioBuffer<float> wideBlock (kWideChannels, kBlockSize), stereoBlock (2, kBlockSize);
    juce::Random random (1);

    for (int b = 0; b < kNumBlocks; ++b)
    {
        for (int i = 0; i < kBlockSize; ++i)
        {
            const auto t = (double) (b * kBlockSize + i) / 48000.0;
            const auto value = (float) (0.05 * std::sin (juce::MathConstants<double>::twoPi * kToneHz * t));

            for (int c = 0; c < 2; ++c)
            {
                wideBlock.setSample (c, i, value);
                stereoBlock.setSample (c, i, value);
            }

            for (int c = 2; c < kWideChannels; ++c)
                wideBlock.setSample (c, i, random.nextFloat() * 2.0f - 1.0f);
        }

        wide.process (wideBlock, true);
        stereo.process (stereoBlock, true);
    }

    const auto w = readingsOf (wide);
    const auto s = readingsOf (stereo);
    EXPECT_EQ (w.momentary, s.momentary);
    EXPECT_EQ (w.shortTerm, s.shortTerm);
    EXPECT_EQ (w.integrated, s.integrated);
}

TEST (LoudnessMeter, aVeryLoudPassageLeavesNoResidueInTheSlidingWindows)
{
    // Subtracting huge powers from a running sum leaves rounding residue far above a quiet
    // signal's power; the windows must still read the quiet signal once the loud one has left.
    LoudnessMeter meter;
    meter.prepare (2, 48000.0);
    ToneFeeder feeder (meter, 48000.0);

    for (int round = 0; round < 3; ++round)
    {
        feeder.feedSeconds (80.0, 4.0, false);
        feeder.feedSeconds (-60.0, 3.5, false);

        EXPECT_NEAR (meter.momentaryLufs.load(), -60.0, kEbuToleranceLu) << "after loud passage " << round + 1;
        EXPECT_NEAR (meter.shortTermLufs.load(), -60.0, kEbuToleranceLu) << "after loud passage " << round + 1;
    }

    feeder.feedSeconds (-std::numeric_limits<double>::infinity(), 3.5, false);
    EXPECT_EQ (meter.momentaryLufs.load(), -std::numeric_limits<float>::infinity());
    EXPECT_EQ (meter.shortTermLufs.load(), -std::numeric_limits<float>::infinity());
}
TEST (LoudnessMeter, histogramGatingAgreesWithExactBlockGating)
{
    // Levels that jump around the relative gate, so many blocks sit near its threshold; the
    // exact result gates every 400 ms block individually, as the loudness standard defines it.
    constexpr double rate = 48000.0;
    constexpr double kToleranceLu = 0.01;
    const int windowLength = juce::roundToInt (0.4 * rate);
    const int hop = juce::roundToInt (0.1 * rate);
    const int stepLength = juce::roundToInt (0.7 * rate);
    const int totalLength = juce::roundToInt (60.0 * rate);

    juce::Random random (7);
    juce::AudioBuffer<float> audio (2, totalLength);
    double gain = 0.0;

    for (int i = 0; i < totalLength; ++i)
    {
        if (i % stepLength == 0)
            gain = std::pow (10.0, (-45.0 + 30.0 * random.nextDouble()) / 20.0);

        for (int c = 0; c < 2; ++c)
            audio.setSample (c, i, (float) (gain * (random.nextDouble() * 2.0 - 1.0)));
    }

    LoudnessMeter meter;
    meter.prepare (2, rate);

    for (int start = 0; start < totalLength; start += kBlockSize)
    {
        const int n = juce::jmin (kBlockSize, totalLength - start);
        juce::AudioBuffer<float> block (audio.getArrayOfWritePointers(), 2, start, n);
        meter.process (block, true);
    }

    // Exact reference: K-weighted power per sample, every block power kept.
    const auto k = LoudnessMeter::makeKWeighting (rate);
    std::vector<double> power ((size_t) totalLength, 0.0);

    for (int c = 0; c < 2; ++c)
    {
        double s[4] = {};

        for (int i = 0; i < totalLength; ++i)
        {
            const double x = audio.getSample (c, i);
            const double y1 = k.shelf.b0 * x + s[0];
            s[0] = k.shelf.b1 * x - k.shelf.a1 * y1 + s[1];
            s[1] = k.shelf.b2 * x - k.shelf.a2 * y1;
            const double y2 = y1 + s[2];
            s[2] = -2.0 * y1 - k.highPass.a1 * y2 + s[3];
            s[3] = y1 - k.highPass.a2 * y2;
            power[(size_t) i] += y2 * y2;
        }
    }

    const double absoluteGate = std::pow (10.0, (LoudnessMeter::kAbsoluteGateLufs - LoudnessMeter::kLoudnessOffsetDb) / 10.0);
    std::vector<double> blocks;

    for (int end = windowLength; end <= totalLength; end += hop)
    {
        double sum = 0.0;
        for (int i = end - windowLength; i < end; ++i)
            sum += power[(size_t) i];

        if (sum / windowLength > absoluteGate)
            blocks.push_back (sum / windowLength);
    }

    double meanAbove = 0.0;
    for (auto b : blocks)
        meanAbove += b;
    const double relativeGate = LoudnessMeter::kRelativeGateFactor * meanAbove / (double) blocks.size();

    double gatedSum = 0.0;
    int gatedCount = 0;
    for (auto b : blocks)
    {
        if (b > relativeGate)
        {
            gatedSum += b;
            ++gatedCount;
        }
    }

    const double exact = 10.0 * std::log10 (gatedSum / gatedCount) + LoudnessMeter::kLoudnessOffsetDb;
    EXPECT_NEAR (meter.integratedLufsOut.load(), exact, kToleranceLu);
}

TEST (LoudnessMeter, measuringAndResettingAfterPrepareNeverAllocate)
{
    LoudnessMeter meter;
    meter.prepare (2, 48000.0);

    juce::AudioBuffer<float> block (2, kBlockSize);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kBlockSize; ++i)
            block.setSample (c, i, (float) (0.1 * std::sin (0.13 * i)));

    AllocationGuard guard;

    for (int b = 0; b < 1000; ++b)   // long enough for the windows to wrap and blocks to be gated
        meter.process (block, b % 300 != 0);

    meter.resetWindows();
    meter.resetIntegrated();

    for (int b = 0; b < 100; ++b)
        meter.process (block, true);

    EXPECT_EQ (guard.allocationsSoFar(), 0);
}
} // namespace
