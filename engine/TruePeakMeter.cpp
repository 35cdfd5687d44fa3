#include "TruePeakMeter.h"

#include <algorithm>
#include <cmath>

namespace
{
    /** Non-finite samples count as silence, so one bad sample cannot poison the filter history. */
    inline float finiteOrZero (float x) noexcept
    {
        return std::isfinite (x) ? x : 0.0f;
    }
}

TruePeakMeter::TruePeakMeter() = default;
TruePeakMeter::~TruePeakMeter() = default;

void TruePeakMeter::prepare (int newNumChannels, int newMaxBlockSize, double newSampleRate)
{
    numChannels = std::max (0, newNumChannels);
    sampleRate = newSampleRate;
    maxBlockSize = std::max (1, newMaxBlockSize);

    oversamplers.clear();
    oversamplers.reserve (static_cast<size_t> (numChannels));

    for (int channel = 0; channel < numChannels; ++channel)
    {
        auto oversampler = std::make_unique<Oversampler> (1,
                                                           static_cast<size_t> (kOversamplingStages),
                                                           Oversampler::filterHalfBandFIREquiripple,
                                                           true,    // maximum quality
                                                           false);  // no integer-latency delay line
        // Sizes every stage's buffer for maxBlockSize input samples and clears the filters;
        // processSamplesUp then only writes into these buffers and never allocates.
        oversampler->initProcessing (static_cast<size_t> (maxBlockSize));
        oversamplers.push_back (std::move (oversampler));
    }

    scratch.setSize (1, maxBlockSize);
    scratch.clear();

    samplePeakHold.store (0.0f);
    truePeakHold.store (0.0f);
}

void TruePeakMeter::reset() noexcept
{
    for (auto& oversampler : oversamplers)
        oversampler->reset();

    samplePeakHold.exchange (0.0f);
    truePeakHold.exchange (0.0f);
}

void TruePeakMeter::process (const juce::AudioBuffer<float>& buffer, bool playing) noexcept
{
    const auto numSamples = buffer.getNumSamples();

    if (numSamples < 1 || numChannels < 1 || sampleRate <= 0.0)
        return;

    const auto chans = std::min (buffer.getNumChannels(), numChannels);

    float samplePeak = 0.0f;
    float truePeak = 0.0f;

    for (int channel = 0; channel < chans; ++channel)
    {
        const auto* samples = buffer.getReadPointer (channel);

        for (int i = 0; i < numSamples; ++i)
            samplePeak = std::max (samplePeak, std::abs (finiteOrZero (samples[i])));

        truePeak = std::max (truePeak,
                             measureChannelTruePeak (*oversamplers[static_cast<size_t> (channel)],
                                                     samples, numSamples));
    }

    if (! playing)
    {
        samplePeakHold.store (0.0f);
        truePeakHold.store (0.0f);
        return;
    }

    raiseHold (samplePeakHold, samplePeak);
    // The oversampling filters delay the signal, so a peak in the block's last samples has not
    // reached their output yet: the sample peak is the floor of what this block is known to hold.
    raiseHold (truePeakHold, std::max (truePeak, samplePeak));
}

float TruePeakMeter::measureChannelTruePeak (Oversampler& oversampler,
                                             const float* samples, int numSamples) noexcept
{
    auto* chunk = scratch.getWritePointer (0);
    float peak = 0.0f;

    for (int start = 0; start < numSamples; start += maxBlockSize)
    {
        const auto length = std::min (maxBlockSize, numSamples - start);

        for (int i = 0; i < length; ++i)
            chunk[i] = finiteOrZero (samples[start + i]);

        const float* const channels[] = { chunk };
        const juce::dsp::AudioBlock<const float> input (channels, 1, static_cast<size_t> (length));
        const auto upsampled = oversampler.processSamplesUp (input);

        const auto* out = upsampled.getChannelPointer (0);
        const auto outLength = upsampled.getNumSamples();

        for (size_t i = 0; i < outLength; ++i)
            peak = std::max (peak, std::abs (out[i]));
    }

    return peak;
}

void TruePeakMeter::raiseHold (std::atomic<float>& hold, float value) noexcept
{
    auto current = hold.load();

    while (value > current && ! hold.compare_exchange_weak (current, value))
    {
    }
}
