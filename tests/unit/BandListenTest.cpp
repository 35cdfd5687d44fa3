#include "engine/BandListen.h"
#include "support/AllocationGuard.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kChannels = 2;
constexpr double kPi = juce::MathConstants<double>::pi;

juce::AudioBuffer<float> makeSine (double frequency, int numSamples, double amplitude = 0.5, double sampleRate = kRate)
{
    juce::AudioBuffer<float> buffer (kChannels, numSamples);

    for (int i = 0; i < numSamples; ++i)
    {
        const auto value = (float) (amplitude * std::sin (2.0 * kPi * frequency * i / sampleRate));
        for (int channel = 0; channel < kChannels; ++channel)
            buffer.setSample (channel, i, value);
    }

    return buffer;
}

juce::AudioBuffer<float> makeNoise (int numSamples, juce::int64 seed)
{
    juce::Random random (seed);
    juce::AudioBuffer<float> buffer (kChannels, numSamples);

    for (int channel = 0; channel < kChannels; ++channel)
        for (int i = 0; i < numSamples; ++i)
            buffer.setSample (channel, i, random.nextFloat() - 0.5f);

    return buffer;
}

/** Runs the signal through band listen in place, in host blocks, as processBlock does. */
void processInBlocks (BandListen& bandListen, juce::AudioBuffer<float>& signal, int blockSize = kBlock)
{
    for (int start = 0; start < signal.getNumSamples(); start += blockSize)
    {
        const auto length = std::min (blockSize, signal.getNumSamples() - start);
        juce::AudioBuffer<float> block (signal.getArrayOfWritePointers(), signal.getNumChannels(), start, length);
        bandListen.process (block);
    }
}

double rmsDb (const juce::AudioBuffer<float>& buffer, int channel, int start, int length)
{
    return juce::Decibels::gainToDecibels ((double) buffer.getRMSLevel (channel, start, length), -400.0);
}

/** Gain in dB of a second-order Butterworth section made by the bilinear transform, whose
    frequencies are warped by tan(pi f / fs): the independent reference for both filters. */
double butterworthDb (double frequency, double cutoff, bool highPass, double sampleRate = kRate)
{
    const auto warped = std::tan (kPi * frequency / sampleRate);
    const auto warpedCutoff = std::tan (kPi * cutoff / sampleRate);
    const auto ratio = highPass ? warpedCutoff / warped : warped / warpedCutoff;
    return -10.0 * std::log10 (1.0 + std::pow (ratio, 4.0));
}

bool bitIdentical (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    if (a.getNumChannels() != b.getNumChannels() || a.getNumSamples() != b.getNumSamples())
        return false;

    for (int channel = 0; channel < a.getNumChannels(); ++channel)
        if (std::memcmp (a.getReadPointer (channel), b.getReadPointer (channel),
                         sizeof (float) * (size_t) a.getNumSamples()) != 0)
            return false;

    return true;
}

float largestStep (const juce::AudioBuffer<float>& buffer, int channel)
{
    float largest = 0.0f;
    const auto* samples = buffer.getReadPointer (channel);

    for (int i = 1; i < buffer.getNumSamples(); ++i)
        largest = std::max (largest, std::abs (samples[i] - samples[i - 1]));

    return largest;
}

void prepareDefault (BandListen& bandListen, double sampleRate = kRate)
{
    bandListen.prepare (sampleRate, kBlock, kChannels);
}

//==============================================================================
struct AttenuationCase
{
    const char* name;
    FocusBand band;
    double frequency;
};

class BandListenAttenuation : public ::testing::TestWithParam<AttenuationCase> {};
} // namespace

TEST_P (BandListenAttenuation, sineIsAttenuatedAsASecondOrderHighPassAndLowPassGiveWithinATenthOfADecibel)
{
    const auto& testCase = GetParam();

    BandListen bandListen;
    prepareDefault (bandListen);
    bandListen.setFocusBand (testCase.band);

    const auto numSamples = (int) (2.0 * kRate);
    auto signal = makeSine (testCase.frequency, numSamples);
    const auto inputDb = rmsDb (signal, 0, numSamples / 2, numSamples / 2);
    processInBlocks (bandListen, signal);

    // Both filters at the band's edges: 100 Hz high-pass and 1 kHz low-pass.
    const auto expectedDb = butterworthDb (testCase.frequency, 100.0, true)
                          + butterworthDb (testCase.frequency, 1000.0, false);

    // The second half of the signal is well past the filters' settling.
    for (int channel = 0; channel < kChannels; ++channel)
        EXPECT_NEAR (rmsDb (signal, channel, numSamples / 2, numSamples / 2) - inputDb, expectedDb, 0.1)
            << "channel " << channel;
}

INSTANTIATE_TEST_SUITE_P (Band100To1000Hz, BandListenAttenuation,
                          ::testing::Values (AttenuationCase { "below50Hz", makeFocusBand (100.0, 1000.0), 50.0 },
                                             AttenuationCase { "inside300Hz", makeFocusBand (100.0, 1000.0), 300.0 },
                                             AttenuationCase { "above5kHz", makeFocusBand (100.0, 1000.0), 5000.0 },
                                             AttenuationCase { "reversedBelow50Hz", makeFocusBand (1000.0, 100.0), 50.0 },
                                             AttenuationCase { "reversedInside300Hz", makeFocusBand (1000.0, 100.0), 300.0 },
                                             AttenuationCase { "reversedAbove5kHz", makeFocusBand (1000.0, 100.0), 5000.0 }),
                          [] (const auto& paramInfo) { return std::string (paramInfo.param.name); });

//==============================================================================
namespace
{
struct OffCase
{
    const char* name;
    FocusBand band;
};

class BandListenOff : public ::testing::TestWithParam<OffCase> {};
}

TEST_P (BandListenOff, leavesTheOutputBitIdentical)
{
    BandListen bandListen;
    prepareDefault (bandListen);
    bandListen.setFocusBand (GetParam().band);
    EXPECT_FALSE (bandListen.isRequested());

    const auto original = makeNoise (kBlock * 8, 7);
    juce::AudioBuffer<float> processed (original);
    processInBlocks (bandListen, processed);

    EXPECT_FALSE (bandListen.isEngaged());
    EXPECT_TRUE (bitIdentical (processed, original));
}

INSTANTIATE_TEST_SUITE_P (Bands, BandListenOff,
                          ::testing::Values (OffCase { "noBand", std::nullopt },
                                             OffCase { "wholeSpan", makeFocusBand (20.0, 20000.0) },
                                             OffCase { "widerThanTheWholeSpan", makeFocusBand (10.0, 50000.0) },
                                             OffCase { "notANumber", juce::Range<double> (std::numeric_limits<double>::quiet_NaN(), 500.0) }),
                          [] (const auto& paramInfo) { return std::string (paramInfo.param.name); });

//==============================================================================
namespace
{
struct EdgeCase
{
    const char* name;
    double sampleRate;
    FocusBand band;
    double storedLowHz, storedHighHz;
    float appliedLowHz, appliedHighHz;
};

class BandListenEdges : public ::testing::TestWithParam<EdgeCase> {};
}

TEST_P (BandListenEdges, edgesAreLimitedToWhatTheSampleRateAllowsAndTheFiltersSitThere)
{
    const auto& testCase = GetParam();

    BandListen bandListen;
    prepareDefault (bandListen, testCase.sampleRate);
    bandListen.setFocusBand (testCase.band);

    EXPECT_TRUE (bandListen.isRequested());
    EXPECT_EQ (bandListen.getRequestedRange().getStart(), testCase.storedLowHz);
    EXPECT_EQ (bandListen.getRequestedRange().getEnd(), testCase.storedHighHz);

    auto block = makeNoise (kBlock, 3);
    bandListen.process (block);

    ASSERT_TRUE (bandListen.isEngaged());
    EXPECT_FALSE (bandListen.isGliding()) << "engaging jumps straight to the band";
    EXPECT_FLOAT_EQ (bandListen.getLowCutoffHz(), testCase.appliedLowHz);
    EXPECT_FLOAT_EQ (bandListen.getHighCutoffHz(), testCase.appliedHighHz);

    const auto sampleRate = testCase.sampleRate;
    const auto highPassDb = [&] (double frequency)
    {
        return juce::Decibels::gainToDecibels (bandListen.getHighPassCoefficients().getMagnitudeForFrequency (frequency, sampleRate), -400.0);
    };
    const auto lowPassDb = [&] (double frequency)
    {
        return juce::Decibels::gainToDecibels (bandListen.getLowPassCoefficients().getMagnitudeForFrequency (frequency, sampleRate), -400.0);
    };

    // Each filter is 3 dB down at its own cutoff. A cutoff within a few hertz of half the rate
    // cannot be resolved in single precision; there the low-pass must leave 0.45 x the rate
    // alone and the high-pass must block it.
    const auto nearNyquist = 0.49 * sampleRate;
    const auto probe = 0.45 * sampleRate;

    if (testCase.appliedLowHz < nearNyquist)
        EXPECT_NEAR (highPassDb (testCase.appliedLowHz), -3.0103, 0.05);
    else
        EXPECT_LT (highPassDb (probe), -60.0);

    if (testCase.appliedHighHz < nearNyquist)
        EXPECT_NEAR (lowPassDb (testCase.appliedHighHz), -3.0103, 0.05);
    else
        EXPECT_NEAR (lowPassDb (probe), 0.0, 0.01);
}

INSTANTIATE_TEST_SUITE_P (Bands, BandListenEdges,
                          ::testing::Values (EdgeCase { "ordinaryBand", 48000.0, makeFocusBand (100.0, 1000.0), 100.0, 1000.0, 100.0f, 1000.0f },
                                             EdgeCase { "fromTheLowestEdge", 48000.0, makeFocusBand (20.0, 19000.0), 20.0, 19000.0, 20.0f, 19000.0f },
                                             EdgeCase { "entirelyBelow20Hz", 48000.0, makeFocusBand (5.0, 10.0), 20.0, 20.0, 20.0f, 21.0f },
                                             EdgeCase { "entirelyAbove20kHz", 44100.0, makeFocusBand (30000.0, 40000.0), 20000.0, 20000.0, 19999.0f, 20000.0f },
                                             EdgeCase { "upperEdgeAboveTopAt32kHz", 32000.0, makeFocusBand (15000.0, 20000.0), 15000.0, 20000.0, 15000.0f, 15999.0f },
                                             EdgeCase { "wholeBandAboveTopAt32kHz", 32000.0, makeFocusBand (18000.0, 19000.0), 18000.0, 19000.0, 15998.0f, 15999.0f }),
                          [] (const auto& paramInfo) { return std::string (paramInfo.param.name); });

//==============================================================================
TEST (BandListen, edgeChangeGlidesBothCutoffsLinearlyOverTwentyMilliseconds)
{
    BandListen bandListen;
    prepareDefault (bandListen);
    bandListen.setFocusBand (makeFocusBand (100.0, 1000.0));
    auto settle = makeNoise (kBlock, 11);
    bandListen.process (settle);

    bandListen.setFocusBand (makeFocusBand (200.0, 2000.0));

    const auto glideSamples = (int) (BandListen::kGlideSeconds * kRate);   // 960 at 48 kHz
    const auto stepSamples = 5 * BandListen::kGlideChunkSamples;
    auto signal = makeNoise (glideSamples, 12);
    const auto minus3Db = 1.0 / std::sqrt (2.0);

    for (int done = 0; done < glideSamples; )
    {
        juce::AudioBuffer<float> block (signal.getArrayOfWritePointers(), kChannels, done, stepSamples);
        bandListen.process (block);
        done += stepSamples;

        const auto progress = (double) done / glideSamples;
        EXPECT_NEAR (bandListen.getLowCutoffHz(), 100.0 + 100.0 * progress, 1.0e-3) << "after " << done << " samples";
        EXPECT_NEAR (bandListen.getHighCutoffHz(), 1000.0 + 1000.0 * progress, 1.0e-2) << "after " << done << " samples";

        // The filters really follow the gliding cutoffs.
        EXPECT_NEAR (bandListen.getHighPassCoefficients().getMagnitudeForFrequency (bandListen.getLowCutoffHz(), kRate), minus3Db, 1.0e-3);
        EXPECT_NEAR (bandListen.getLowPassCoefficients().getMagnitudeForFrequency (bandListen.getHighCutoffHz(), kRate), minus3Db, 1.0e-3);
    }

    EXPECT_FALSE (bandListen.isGliding());
    EXPECT_EQ (bandListen.getLowCutoffHz(), 200.0f);
    EXPECT_EQ (bandListen.getHighCutoffHz(), 2000.0f);
}

TEST (BandListen, edgeChangeOfHalfAThousandthOfAHertzChangesNothing)
{
    BandListen bandListen;
    prepareDefault (bandListen);
    bandListen.setFocusBand (makeFocusBand (100.0, 1000.0));
    auto block = makeNoise (kBlock, 5);
    bandListen.process (block);

    bandListen.setFocusBand (makeFocusBand (100.0005, 1000.0005));
    bandListen.process (block);

    EXPECT_FALSE (bandListen.isGliding());
    EXPECT_EQ (bandListen.getLowCutoffHz(), 100.0f);
    EXPECT_EQ (bandListen.getHighCutoffHz(), 1000.0f);
}

TEST (BandListen, turningOffDisengagesAtOnceAndReturnsToTheUntouchedSignal)
{
    BandListen bandListen;
    prepareDefault (bandListen);
    bandListen.setFocusBand (makeFocusBand (100.0, 1000.0));
    auto filtered = makeNoise (kBlock * 4, 21);
    processInBlocks (bandListen, filtered);
    ASSERT_TRUE (bandListen.isEngaged());

    bandListen.setFocusBand (std::nullopt);
    const auto original = makeNoise (kBlock * 4, 22);
    juce::AudioBuffer<float> processed (original);
    juce::AudioBuffer<float> firstBlock (processed.getArrayOfWritePointers(), kChannels, 0, kBlock);
    bandListen.process (firstBlock);
    EXPECT_FALSE (bandListen.isEngaged()) << "the first block without a band disengages";

    juce::AudioBuffer<float> rest (processed.getArrayOfWritePointers(), kChannels, kBlock, kBlock * 3);
    processInBlocks (bandListen, rest);

    // Past the short release ramp the output is the input, bit for bit.
    const auto rampSamples = juce::roundToInt (BandListen::kTransitionSeconds * kRate);
    for (int channel = 0; channel < kChannels; ++channel)
        EXPECT_EQ (std::memcmp (processed.getReadPointer (channel, rampSamples), original.getReadPointer (channel, rampSamples),
                                sizeof (float) * (size_t) (processed.getNumSamples() - rampSamples)), 0);
}

TEST (BandListen, engagingAgainStartsFromClearedMemoryAtTheNewBandWithoutAGlide)
{
    const auto impulseThenSilence = []
    {
        juce::AudioBuffer<float> buffer (kChannels, kBlock * 4);
        buffer.clear();
        buffer.setSample (0, 0, 1.0f);
        buffer.setSample (1, 3, -1.0f);
        return buffer;
    }();

    // Band listen that has been filtering noise at another band, then was turned off.
    BandListen used;
    prepareDefault (used);
    used.setFocusBand (makeFocusBand (100.0, 1000.0));
    auto noise = makeNoise (kBlock * 4, 31);
    processInBlocks (used, noise);
    used.setFocusBand (std::nullopt);
    juce::AudioBuffer<float> silence (kChannels, kBlock);
    silence.clear();
    used.process (silence);

    // Band listen that never filtered anything.
    BandListen fresh;
    prepareDefault (fresh);
    silence.clear();
    fresh.process (silence);

    for (auto* bandListen : { &used, &fresh })
        bandListen->setFocusBand (makeFocusBand (200.0, 2000.0));

    auto usedOutput = impulseThenSilence;
    auto freshOutput = impulseThenSilence;
    processInBlocks (used, usedOutput);
    processInBlocks (fresh, freshOutput);

    EXPECT_FALSE (used.isGliding());
    EXPECT_TRUE (bitIdentical (usedOutput, freshOutput));
}

//==============================================================================
namespace
{
/** What happens to the band while a mix of two sines plays through it. */
enum class BandEvent { engage, release, glide };

struct ClickCase
{
    const char* name;
    BandEvent event;
};

class BandListenWithoutClicks : public ::testing::TestWithParam<ClickCase> {};
}

TEST_P (BandListenWithoutClicks, outputNeverStepsFurtherThanTwiceTheSignalsOwnLargestStep)
{
    BandListen bandListen;
    prepareDefault (bandListen);

    // 40 Hz lies outside every band and 300 Hz inside, so at the switch the output changes by
    // much of the 40 Hz part: cut over at once, it would step far beyond the mix's own steps.
    auto signal = makeSine (40.0, (int) kRate, 0.5);
    signal.addFrom (0, 0, makeSine (300.0, (int) kRate, 0.25), 0, 0, (int) kRate);
    signal.addFrom (1, 0, makeSine (300.0, (int) kRate, 0.25), 1, 0, (int) kRate);
    const auto mixStep = largestStep (signal, 0);

    if (GetParam().event != BandEvent::engage)
        bandListen.setFocusBand (makeFocusBand (100.0, 1000.0));

    const auto switchBlock = 40;
    for (int start = 0, index = 0; start < signal.getNumSamples(); start += kBlock, ++index)
    {
        if (index == switchBlock)
        {
            switch (GetParam().event)
            {
                case BandEvent::engage:  bandListen.setFocusBand (makeFocusBand (100.0, 1000.0)); break;
                case BandEvent::release: bandListen.setFocusBand (std::nullopt); break;
                case BandEvent::glide:   bandListen.setFocusBand (makeFocusBand (250.0, 400.0)); break;
            }
        }

        const auto length = std::min (kBlock, signal.getNumSamples() - start);
        juce::AudioBuffer<float> block (signal.getArrayOfWritePointers(), kChannels, start, length);
        bandListen.process (block);
    }

    for (int channel = 0; channel < kChannels; ++channel)
        EXPECT_LT (largestStep (signal, channel), 2.0f * mixStep) << "channel " << channel;
}

INSTANTIATE_TEST_SUITE_P (Events, BandListenWithoutClicks,
                          ::testing::Values (ClickCase { "engaging", BandEvent::engage },
                                             ClickCase { "releasing", BandEvent::release },
                                             ClickCase { "gliding", BandEvent::glide }),
                          [] (const auto& paramInfo) { return std::string (paramInfo.param.name); });

//==============================================================================
TEST (BandListen, glidingEngagingAndReleasingNeverAllocate)
{
    BandListen bandListen;
    prepareDefault (bandListen);
    auto signal = makeNoise (kBlock, 41);
    juce::AudioBuffer<float> oddBlock (signal.getArrayOfWritePointers(), kChannels, 0, 37);

    const auto first = makeFocusBand (100.0, 1000.0);
    const auto second = makeFocusBand (300.0, 5000.0);
    const FocusBand none;

    AllocationGuard guard;

    bandListen.setFocusBand (first);
    bandListen.process (signal);
    bandListen.setFocusBand (second);
    for (int i = 0; i < 10; ++i)
    {
        bandListen.process (signal);
        bandListen.process (oddBlock);
    }
    bandListen.setFocusBand (none);
    bandListen.process (signal);
    bandListen.process (signal);

    EXPECT_EQ (guard.allocationsSoFar(), 0);
}

TEST (BandListen, nothingIsFilteredBeforePreparationOrAfterRelease)
{
    const auto original = makeNoise (kBlock, 51);

    BandListen unprepared;
    unprepared.setFocusBand (makeFocusBand (100.0, 1000.0));
    juce::AudioBuffer<float> processed (original);
    unprepared.process (processed);
    EXPECT_TRUE (bitIdentical (processed, original));

    BandListen released;
    prepareDefault (released);
    released.release();
    EXPECT_EQ (released.getSampleRate(), 0.0);
    released.setFocusBand (makeFocusBand (100.0, 1000.0));
    processed.makeCopyOf (original);
    released.process (processed);
    EXPECT_FALSE (released.isEngaged());
    EXPECT_TRUE (bitIdentical (processed, original));
}

TEST (BandListen, channelsBeyondThePreparedOnesAreLeftUntouched)
{
    BandListen bandListen;
    bandListen.prepare (kRate, kBlock, 1);
    bandListen.setFocusBand (makeFocusBand (100.0, 1000.0));

    const auto original = makeNoise (kBlock, 61);
    juce::AudioBuffer<float> processed (original);
    bandListen.process (processed);

    EXPECT_NE (std::memcmp (processed.getReadPointer (0), original.getReadPointer (0), sizeof (float) * kBlock), 0);
    EXPECT_EQ (std::memcmp (processed.getReadPointer (1), original.getReadPointer (1), sizeof (float) * kBlock), 0);
}

TEST (BandListen, preparingAgainKeepsTheRequestAndEngagesItOnTheNextBlock)
{
    BandListen bandListen;
    prepareDefault (bandListen);
    bandListen.setFocusBand (makeFocusBand (100.0, 1000.0));
    auto block = makeNoise (kBlock, 71);
    bandListen.process (block);
    ASSERT_TRUE (bandListen.isEngaged());

    bandListen.prepare (44100.0, kBlock, kChannels);
    EXPECT_FALSE (bandListen.isEngaged());
    EXPECT_EQ (bandListen.getLowCutoffHz(), 20.0f);
    EXPECT_EQ (bandListen.getHighCutoffHz(), 20000.0f);
    EXPECT_TRUE (bandListen.isRequested());

    bandListen.process (block);
    EXPECT_TRUE (bandListen.isEngaged());
    EXPECT_EQ (bandListen.getLowCutoffHz(), 100.0f);
}
