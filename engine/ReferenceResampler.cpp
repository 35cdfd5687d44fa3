#include "engine/ReferenceResampler.h"

#include <cstring>

namespace
{
constexpr int kFallbackBlockSize = 512;
constexpr double kDownsamplingThreshold = 1.0001;
}

ReferenceResampler::ReferenceResampler (juce::AudioSource* inputSource, int channels)
    : input (inputSource), numChannels (juce::jlimit (1, kMaxChannels, channels))
{
    jassert (input != nullptr);
}

void ReferenceResampler::setResamplingRatio (double samplesInPerOutputSample)
{
    ratio.store (samplesInPerOutputSample > 0.0 && std::isfinite (samplesInPerOutputSample) ? samplesInPerOutputSample : 1.0);
}

void ReferenceResampler::prepareToPlay (int samplesPerBlockExpected, double sampleRate)
{
    preparedRatio = ratio.load();
    hostRate = sampleRate;
    maxOutputChunk = samplesPerBlockExpected > 0 ? samplesPerBlockExpected : kFallbackBlockSize;

    const auto inputBlock = (int) std::ceil (maxOutputChunk * preparedRatio) + kSpareInputSamples;
    input->prepareToPlay (inputBlock, sampleRate * preparedRatio);
    fifo.setSize (numChannels, inputBlock + kSpareInputSamples, false, true, false);

    filtering = preparedRatio > kDownsamplingThreshold && sampleRate > 0.0;

    if (filtering)
    {
        // Two Butterworth sections give 24 dB per octave above the host's band; designed at the
        // file's rate, since they run on the file's samples before interpolation.
        const auto fileRate = sampleRate * preparedRatio;
        const auto cutoff = kAntiAliasFraction * sampleRate;
        const auto q = juce::dsp::IIR::ArrayCoefficients<float>::makeLowPass (fileRate, cutoff);

        for (auto& channel : antiAlias)
            for (auto& section : channel)
                section.coefficients = new juce::dsp::IIR::Coefficients<float> (q[0], q[1], q[2], q[3], q[4], q[5]);
    }

    flushBuffers();
}

void ReferenceResampler::releaseResources()
{
    input->releaseResources();
    fifo.setSize (numChannels, 0);
    fifoCount = 0;
}

void ReferenceResampler::flushBuffers() noexcept
{
    fifoCount = 0;
    fifo.clear();

    for (auto& interpolator : interpolators)
        interpolator.reset();

    for (auto& channel : antiAlias)
        for (auto& section : channel)
            section.reset();
}

void ReferenceResampler::topUpFifo (int needed) noexcept
{
    const auto toRead = juce::jmin (needed - fifoCount, fifo.getNumSamples() - fifoCount);

    if (toRead <= 0)
        return;

    input->getNextAudioBlock (juce::AudioSourceChannelInfo (&fifo, fifoCount, toRead));

    if (filtering)
    {
        for (int ch = 0; ch < numChannels; ++ch)
        {
            auto* data = fifo.getWritePointer (ch, fifoCount);

            for (auto& section : antiAlias[ch])
                for (int i = 0; i < toRead; ++i)
                    data[i] = section.processSample (data[i]);
        }
    }

    fifoCount += toRead;
}

void ReferenceResampler::getNextAudioBlock (const juce::AudioSourceChannelInfo& info)
{
    const auto channels = juce::jmin (numChannels, info.buffer->getNumChannels());

    if (maxOutputChunk <= 0 || fifo.getNumSamples() == 0)
    {
        info.clearActiveBufferRegion();
        return;
    }

    auto remaining = info.numSamples;
    auto outPosition = info.startSample;

    while (remaining > 0)
    {
        const auto chunk = juce::jmin (remaining, maxOutputChunk);
        topUpFifo ((int) std::ceil (chunk * preparedRatio) + kSpareInputSamples);

        int used = 0;

        // At equal rates the file plays sample for sample, with no interpolation delay.
        if (preparedRatio == 1.0)
        {
            used = juce::jmin (chunk, fifoCount);

            for (int ch = 0; ch < channels; ++ch)
                info.buffer->copyFrom (ch, outPosition, fifo, ch, 0, used);
        }
        else
        {
            for (int ch = 0; ch < channels; ++ch)
                used = interpolators[ch].process (preparedRatio, fifo.getReadPointer (ch),
                                                  info.buffer->getWritePointer (ch, outPosition),
                                                  chunk, fifoCount, 0);

            // A buffer narrower than the file still consumes the file's other channel in step.
            for (int ch = channels; ch < numChannels; ++ch)
                interpolators[ch].reset();
        }

        used = juce::jlimit (0, fifoCount, used);

        for (int ch = 0; ch < numChannels; ++ch)
        {
            auto* data = fifo.getWritePointer (ch);
            std::memmove (data, data + used, sizeof (float) * (size_t) (fifoCount - used));
        }

        fifoCount -= used;
        remaining -= chunk;
        outPosition += chunk;
    }
}
