#include "BandListen.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace
{
    /** Puts the two edges in order and pulls them into lowest ... top, keeping the band at
        least minimumWidth wide. Shared by the audio thread's reading of the request (double)
        and the filter design (single precision). */
    template <typename Value>
    void limitEdges (Value& low, Value& high, Value top, Value lowest, Value minimumWidth) noexcept
    {
        if (low > high)
            std::swap (low, high);

        Value highFloor;

        if (low < lowest)
        {
            low = lowest;
            highFloor = lowest + minimumWidth;
        }
        else if (low > top - minimumWidth)
        {
            low = top - minimumWidth;
            highFloor = top;
        }
        else
        {
            highFloor = low + minimumWidth;
        }

        high = highFloor > high ? highFloor : std::min (top, high);
    }
}

BandListen::BandListen() = default;
BandListen::~BandListen() = default;

void BandListen::setFocusBand (FocusBand band) noexcept
{
    if (! band.has_value())
    {
        bandListenOn.store (false);
        return;
    }

    // The band arrives in double precision from a drag; single precision is what the filters
    // are designed in, and it keeps tiny drag jitter from counting as a new band.
    auto low = (double) (float) band->getStart();
    auto high = (double) (float) band->getEnd();

    if (std::isnan (low) || std::isnan (high))
    {
        // A band without a meaning must not reach the filters: NaN coefficients would silence
        // the output for good.
        bandListenOn.store (false);
        return;
    }

    if (low > high)
        std::swap (low, high);

    low = juce::jlimit (kLowestEdgeHz, kHighestEdgeHz, low);
    high = juce::jlimit (kLowestEdgeHz, kHighestEdgeHz, high);

    focusLowHz.store (low);
    focusHighHz.store (high);

    // The whole audible span needs no filtering; leaving the output untouched is the honest
    // way to play it.
    const auto coversEverything = low <= kLowestEdgeHz && high >= kHighestEdgeHz;
    bandListenOn.store (! coversEverything);
}

double BandListen::topEdgeHz() const noexcept
{
    return std::min (0.5 * bandListenSampleRate - kNyquistMarginHz, kHighestEdgeHz);
}

void BandListen::prepare (double sampleRate, int maxBlock, int channels)
{
    bandListenSampleRate = (sampleRate > 0.0 && std::isfinite (sampleRate)) ? sampleRate : 0.0;
    preparedChannels = std::max (1, channels);

    const juce::dsp::ProcessSpec filterSetup { bandListenSampleRate,
                                        (juce::uint32) std::max (1, maxBlock),
                                        (juce::uint32) preparedChannels };
    bandListenHighPass.prepare (filterSetup);
    bandListenLowPass.prepare (filterSetup);

    const auto glideSteps = (int) std::floor (kGlideSeconds * bandListenSampleRate);
    bandListenLowCutoff.reset (glideSteps);
    bandListenHighCutoff.reset (glideSteps);

    const auto top = topEdgeHz();
    updateBandListenFilters ((float) kLowestEdgeHz, (float) top);

    bandListenLowCutoff.setCurrentAndTargetValue ((float) kLowestEdgeHz);
    bandListenHighCutoff.setCurrentAndTargetValue ((float) top);
    appliedLowHz = kLowestEdgeHz;
    appliedHighHz = top;
    bandListenEngaged = false;

    // The filters were made with the default (second-order) coefficient sets, so the state
    // size is already right and the audio thread's redesigns never resize it.
    bandListenHighPass.reset();
    bandListenLowPass.reset();

    lastOutput.assign ((size_t) preparedChannels, 0.0f);
    transitionFrom.assign ((size_t) preparedChannels, 0.0f);
    transitionRemaining = 0;
    transitionLength = std::max (1, juce::roundToInt (kTransitionSeconds * bandListenSampleRate));
}

void BandListen::release() noexcept
{
    bandListenHighPass.reset();
    bandListenLowPass.reset();
    bandListenSampleRate = 0.0;
}

void BandListen::updateBandListenFilters (float lowHz, float highHz) noexcept
{
    if (bandListenSampleRate <= 0.0)
        return;

    const auto top = std::min (0.5f * (float) bandListenSampleRate - (float) kNyquistMarginHz,
                               (float) kHighestEdgeHz);

    // At rates this low no band fits; the filters stay as they are.
    if (top <= (float) kLowestEdgeHz)
        return;

    limitEdges (lowHz, highHz, top, (float) kLowestEdgeHz, (float) kMinimumWidthHz);

    // Assigning a design into the shared coefficient set reuses its storage (it always holds
    // room for a second-order section), so gliding never allocates; every channel picks the new
    // values up from its next sample and keeps its memory.
    using Design = juce::dsp::IIR::ArrayCoefficients<float>;
    *bandListenHighPass.state = Design::makeHighPass (bandListenSampleRate, lowHz);
    *bandListenLowPass.state = Design::makeLowPass (bandListenSampleRate, highHz);
}

void BandListen::process (juce::AudioBuffer<float>& buffer) noexcept
{
    const auto numChannels = std::min (buffer.getNumChannels(), preparedChannels);
    const auto numSamples = buffer.getNumSamples();

    // The flag first, then the edges: setFocusBand writes them in the opposite order.
    const auto on = bandListenOn.load();
    auto low = focusLowHz.load();
    auto high = focusHighHz.load();
    const auto top = topEdgeHz();

    if (! on || bandListenSampleRate <= 0.0 || top <= kLowestEdgeHz)
    {
        if (bandListenEngaged)
        {
            // Stale memory would ring into the next engagement; drop it now.
            bandListenHighPass.reset();
            bandListenLowPass.reset();
            bandListenEngaged = false;
            startTransition();
        }

        applyTransition (buffer, numChannels);
        rememberLastOutput (buffer, numChannels);
        return;
    }

    limitEdges (low, high, top, kLowestEdgeHz, kMinimumWidthHz);

    if (! bandListenEngaged)
    {
        // Engaging jumps straight to the band: a glide from the full span would sweep audibly.
        bandListenLowCutoff.setCurrentAndTargetValue ((float) low);
        bandListenHighCutoff.setCurrentAndTargetValue ((float) high);
        updateBandListenFilters ((float) low, (float) high);
        bandListenHighPass.reset();
        bandListenLowPass.reset();
        bandListenEngaged = true;
        appliedLowHz = low;
        appliedHighHz = high;
        startTransition();
    }
    else if (std::abs (low - appliedLowHz) > kIgnoredEdgeChangeHz
             || std::abs (high - appliedHighHz) > kIgnoredEdgeChangeHz)
    {
        bandListenLowCutoff.setTargetValue ((float) low);
        bandListenHighCutoff.setTargetValue ((float) high);
        appliedLowHz = low;
        appliedHighHz = high;
    }

    if (! isGliding())
    {
        filterRange (buffer, numChannels, 0, numSamples);
    }
    else
    {
        // Short chunks keep the coefficient steps small enough to be inaudible; once started,
        // chunking runs to the end of the block even if the glide ends inside it.
        for (int start = 0; start < numSamples; start += kGlideChunkSamples)
        {
            const auto length = std::min (kGlideChunkSamples, numSamples - start);
            bandListenLowCutoff.skip (length);
            bandListenHighCutoff.skip (length);
            updateBandListenFilters (bandListenLowCutoff.getCurrentValue(),
                                     bandListenHighCutoff.getCurrentValue());
            filterRange (buffer, numChannels, start, length);
        }
    }

    applyTransition (buffer, numChannels);
    rememberLastOutput (buffer, numChannels);
}

void BandListen::filterRange (juce::AudioBuffer<float>& buffer, int numChannels,
                              int start, int length) noexcept
{
    if (numChannels < 1 || length < 1)
        return;

    juce::dsp::AudioBlock<float> block (buffer.getArrayOfWritePointers(), (size_t) numChannels,
                                        (size_t) start, (size_t) length);
    const juce::dsp::ProcessContextReplacing<float> context (block);
    bandListenHighPass.process (context);
    bandListenLowPass.process (context);
}

void BandListen::startTransition() noexcept
{
    std::copy (lastOutput.begin(), lastOutput.end(), transitionFrom.begin());
    transitionRemaining = transitionLength;
}

void BandListen::applyTransition (juce::AudioBuffer<float>& buffer, int numChannels) noexcept
{
    if (transitionRemaining <= 0)
        return;

    const auto numSamples = buffer.getNumSamples();
    const auto rampSamples = std::min (numSamples, transitionRemaining);
    const auto length = (float) transitionLength;

    for (int channel = 0; channel < numChannels; ++channel)
    {
        auto* samples = buffer.getWritePointer (channel);
        const auto from = transitionFrom[(size_t) channel];

        // The first ramped sample repeats the value last heard; the ramp then reaches the new
        // signal after transitionLength samples.
        for (int i = 0; i < rampSamples; ++i)
        {
            const auto progress = 1.0f - (float) (transitionRemaining - i) / length;
            samples[i] = from + (samples[i] - from) * progress;
        }
    }

    transitionRemaining -= rampSamples;
}

void BandListen::rememberLastOutput (const juce::AudioBuffer<float>& buffer, int numChannels) noexcept
{
    const auto numSamples = buffer.getNumSamples();

    if (numSamples < 1)
        return;

    for (int channel = 0; channel < numChannels; ++channel)
    {
        const auto value = buffer.getSample (channel, numSamples - 1);
        lastOutput[(size_t) channel] = std::isfinite (value) ? value : 0.0f;
    }
}
