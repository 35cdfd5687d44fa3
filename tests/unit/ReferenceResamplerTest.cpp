#include "engine/ReferenceResampler.h"
#include "support/AllocationGuard.h"
#include "support/AudioFileFixtures.h"

#include <gtest/gtest.h>

namespace
{
juce::AudioBuffer<float> sine (double rate, double hz, int length, float amplitude = 0.5f)
{
    juce::AudioBuffer<float> buffer (2, length);

    for (int i = 0; i < length; ++i)
        for (int ch = 0; ch < 2; ++ch)
            buffer.setSample (ch, i, amplitude * (float) std::sin (juce::MathConstants<double>::twoPi * hz * i / rate));

    return buffer;
}

/** Renders `outputLength` host samples of `file` through a resampler prepared for `block`. */
juce::AudioBuffer<float> render (juce::AudioBuffer<float>& file, double fileRate, double hostRate,
                                 int block, int outputLength, int callLength)
{
    juce::MemoryAudioSource source (file, false, true);
    ReferenceResampler resampler (&source, 2);
    resampler.setResamplingRatio (fileRate / hostRate);
    resampler.prepareToPlay (block, hostRate);

    juce::AudioBuffer<float> out (2, outputLength);

    for (int pos = 0; pos < outputLength; pos += callLength)
        resampler.getNextAudioBlock (juce::AudioSourceChannelInfo (&out, pos, juce::jmin (callLength, outputLength - pos)));

    return out;
}

float rmsDb (const juce::AudioBuffer<float>& buffer, int start, int length)
{
    return juce::Decibels::gainToDecibels (buffer.getRMSLevel (0, start, length));
}
} // namespace

TEST (ReferenceResampler, equalRatesPassTheFileThroughUnchanged)
{
    auto file = sine (48000.0, 997.0, 4800);
    const auto out = render (file, 48000.0, 48000.0, 256, 9600, 256);

    for (int i = 0; i < 9600; ++i)
        ASSERT_EQ (out.getSample (1, i), file.getSample (1, i % 4800)) << i;
}

TEST (ReferenceResampler, keepsPitchAndLevelAcrossRates)
{
    const struct { double fileRate, hostRate; } cases[] = {
        { 44100.0, 48000.0 }, { 96000.0, 48000.0 }, { 48000.0, 44100.0 }, { 22050.0, 96000.0 },
    };

    for (const auto& c : cases)
    {
        auto file = sine (c.fileRate, 1000.0, (int) c.fileRate);
        const auto length = (int) c.hostRate;
        const auto out = render (file, c.fileRate, c.hostRate, 512, length, 512);
        const auto hz = AudioFileFixtures::estimateFrequency (out.getReadPointer (0) + 1000, length - 2000, c.hostRate);

        EXPECT_NEAR (hz, 1000.0, 0.5) << c.fileRate << " -> " << c.hostRate;
        EXPECT_NEAR (rmsDb (out, 1000, length - 2000), juce::Decibels::gainToDecibels (0.5f / std::sqrt (2.0f)), 0.1)
            << c.fileRate << " -> " << c.hostRate;
    }
}

TEST (ReferenceResampler, attenuatesContentAboveTheHostBandWhenDownsampling)
{
    // A 30 kHz tone in a 96 kHz file cannot exist at 48 kHz; it must not fold down at full level.
    auto file = sine (96000.0, 30000.0, 96000);
    const auto out = render (file, 96000.0, 48000.0, 512, 48000, 512);
    EXPECT_LT (rmsDb (out, 4800, 40000), rmsDb (file, 0, 96000) - 9.0f);
}

TEST (ReferenceResampler, blocksLongerThanPreparedMatchPreparedBlocks)
{
    auto file = sine (44100.0, 440.0, 44100);
    const auto reference = render (file, 44100.0, 48000.0, 4096, 16384, 4096);
    const auto chunked = render (file, 44100.0, 48000.0, 256, 16384, 4096);

    for (int i = 0; i < 16384; ++i)
        ASSERT_NEAR (chunked.getSample (0, i), reference.getSample (0, i), 1e-6f) << i;
}

TEST (ReferenceResampler, rendersWithoutAllocatingOrLocking)
{
    auto file = sine (96000.0, 440.0, 2000);
    juce::MemoryAudioSource source (file, false, true);
    ReferenceResampler resampler (&source, 2);
    resampler.setResamplingRatio (2.0);
    resampler.prepareToPlay (512, 48000.0);
    juce::AudioBuffer<float> out (2, 512);

    const AllocationGuard guard;

    for (int b = 0; b < 50; ++b)
    {
        resampler.getNextAudioBlock (juce::AudioSourceChannelInfo (&out, 0, 512));

        if (b % 7 == 0)
        {
            source.setNextReadPosition (b * 13);
            resampler.flushBuffers();
        }
    }

    EXPECT_EQ (guard.allocationsSoFar(), 0);
}
