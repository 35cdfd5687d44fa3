#include "LoudnessMeter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

int samplesFor (double seconds, double sampleRate) noexcept
{
    return juce::jmax (1, juce::roundToInt (seconds * sampleRate));
}

bool canWeightAt (double sampleRate) noexcept
{
    // The bilinear design of the shelf needs its corner below the Nyquist frequency.
    return std::isfinite (sampleRate) && sampleRate > 2.0 * LoudnessMeter::kShelfFrequency;
}
} // namespace

//==============================================================================
LoudnessMeter::LoudnessMeter()
    : absoluteGatePower (std::pow (10.0, (kAbsoluteGateLufs - kLoudnessOffsetDb) / 10.0)),
      histogram ((size_t) kNumHistogramBins),
      integratedLufs (kNoValue),
      integratedLufsOut (kNoValue),
      shortTermLength (samplesFor (kShortTermSeconds, kDefaultSampleRate)),
      momentaryLength (samplesFor (kMomentarySeconds, kDefaultSampleRate)),
      kWeighting (makeKWeighting (kDefaultSampleRate)),
      shortTermLufs (kNoValue),
      momentaryLufs (kNoValue)
{
    hop = samplesFor (kGatingHopSeconds, kDefaultSampleRate);
    countdown = momentaryLength;
}

//==============================================================================
LoudnessMeter::KWeighting LoudnessMeter::makeKWeighting (double fs) noexcept
{
    KWeighting k;

    {
        const double K = std::tan (juce::MathConstants<double>::pi * kShelfFrequency / fs);
        const double KOverQ = K / kShelfQ;
        const double a0 = 1.0 + KOverQ + K * K;

        k.shelf.b0 = (kShelfHighGain + kShelfBandGain * KOverQ + K * K) / a0;
        k.shelf.b1 = 2.0 * (K * K - kShelfHighGain) / a0;
        k.shelf.b2 = (kShelfHighGain - kShelfBandGain * KOverQ + K * K) / a0;
        k.shelf.a1 = 2.0 * (K * K - 1.0) / a0;
        k.shelf.a2 = (1.0 - KOverQ + K * K) / a0;
    }

    {
        const double K = std::tan (juce::MathConstants<double>::pi * kHighPassFrequency / fs);
        const double KOverQ = K / kHighPassQ;
        const double a0 = 1.0 + KOverQ + K * K;

        k.highPass.b0 = 1.0;
        k.highPass.b1 = -2.0;
        k.highPass.b2 = 1.0;
        k.highPass.a1 = 2.0 * (K * K - 1.0) / a0;
        k.highPass.a2 = (1.0 - KOverQ + K * K) / a0;
    }

    return k;
}

//==============================================================================
void LoudnessMeter::prepare (int newNumChannels, double newSampleRate)
{
    numChannels = juce::jlimit (0, kMaxChannels, newNumChannels);

    if (! canWeightAt (newSampleRate))
    {
        // An empty ring is what process checks for "not prepared".
        ring.clear();
        ring.shrink_to_fit();
        filled = 0;
        shortTermLufs.exchange (kNoValue);
        momentaryLufs.exchange (kNoValue);
        resetIntegrated();
        return;
    }

    sampleRate = newSampleRate;
    kWeighting = makeKWeighting (sampleRate);
    shortTermLength = samplesFor (kShortTermSeconds, sampleRate);
    momentaryLength = samplesFor (kMomentarySeconds, sampleRate);
    hop = samplesFor (kGatingHopSeconds, sampleRate);

    ring.assign ((size_t) shortTermLength, 0.0);
    reset();
}

void LoudnessMeter::resetWindows() noexcept
{
    for (auto& channelState : filterState)
        for (auto& s : channelState)
            s = 0.0;

    std::fill (ring.begin(), ring.end(), 0.0);
    writeIndex = 0;
    filled = 0;
    shortTermSum = {};
    momentarySum = {};
    countdown = momentaryLength;

    shortTermLufs.exchange (kNoValue);
    momentaryLufs.exchange (kNoValue);
}

void LoudnessMeter::resetIntegrated() noexcept
{
    std::fill (histogram.begin(), histogram.end(), HistogramBin {});
    gatedSum = 0.0;
    gatedCount = 0;
    maxBin = 0;
    integratedLufs = kNoValue;
    integratedLufsOut.exchange (kNoValue);
    countdown = momentaryLength;
}

void LoudnessMeter::reset() noexcept
{
    resetWindows();
    resetIntegrated();
}

//==============================================================================
void LoudnessMeter::process (const juce::AudioBuffer<float>& buffer, bool gating) noexcept
{
    if (ring.empty())
        return;

    // A gating block must hold only gated samples, so the count starts again while not gating.
    if (! gating)
        countdown = momentaryLength;

    const int n = juce::jmin (buffer.getNumChannels(), numChannels);
    const float* channelData[kMaxChannels] = {};

    for (int c = 0; c < n; ++c)
        channelData[c] = buffer.getReadPointer (c);

    switch (n)
    {
        case 2:  measure<2> (channelData, buffer.getNumSamples(), gating); break;
        case 1:  measure<1> (channelData, buffer.getNumSamples(), gating); break;
        default: measure<0> (channelData, buffer.getNumSamples(), gating); break;
    }

    publishWindows();
}

template <int NumChannels>
void LoudnessMeter::measure (const float* const* channelData, int numSamples, bool gating) noexcept
{
    // The per-sample state lives in locals for the block, so that it stays in registers
    // instead of being reloaded around every store into the ring.
    const auto shelf = kWeighting.shelf;
    const auto highPass = kWeighting.highPass;
    double state[kMaxChannels][4];
    std::copy (&filterState[0][0], &filterState[0][0] + kMaxChannels * 4, &state[0][0]);

    double* const powers = ring.data();
    const int ringLength = shortTermLength;
    const int windowLength = momentaryLength;
    int write = writeIndex;
    int valid = filled;
    int untilBlock = countdown;
    auto shortTerm = shortTermSum;
    auto momentary = momentarySum;

    for (int i = 0; i < numSamples; ++i)
    {
        // K-weighting in transposed direct form II, shelf then high-pass (numerator 1, -2, 1);
        // the sample's power is summed over the channels with weight 1.
        double power = 0.0;

        for (int c = 0; c < NumChannels; ++c)
        {
            const float sample = channelData[c][i];
            const double x = std::isfinite (sample) ? (double) sample : 0.0;
            double* s = state[c];

            const double y1 = shelf.b0 * x + s[0];
            s[0] = shelf.b1 * x - shelf.a1 * y1 + s[1];
            s[1] = shelf.b2 * x - shelf.a2 * y1;

            const double y2 = y1 + s[2];
            s[2] = -2.0 * y1 - highPass.a1 * y2 + s[3];
            s[3] = y1 - highPass.a2 * y2;

            power += y2 * y2;
        }

        // Slide both windows by one sample.
        if (valid >= windowLength)
        {
            int oldest = write - windowLength;
            if (oldest < 0)
                oldest += ringLength;

            momentary.add (-powers[oldest]);
        }

        if (valid >= ringLength)
            shortTerm.add (-powers[write]);

        powers[write] = power;
        shortTerm.add (power);
        momentary.add (power);
        valid = juce::jmin (ringLength, valid + 1);

        if (++write >= ringLength)
            write = 0;

        if (gating && --untilBlock <= 0)
        {
            evaluateGatingBlock (valid >= windowLength, momentary.value() / (double) windowLength);
            untilBlock = hop;
        }
    }

    std::copy (&state[0][0], &state[0][0] + NumChannels * 4, &filterState[0][0]);
    writeIndex = write;
    filled = valid;
    countdown = untilBlock;
    shortTermSum = shortTerm;
    momentarySum = momentary;
}

void LoudnessMeter::evaluateGatingBlock (bool windowFull, double blockPower) noexcept
{
    // A block that is not yet 400 ms long, at or below the absolute gate, or not finite leaves
    // the histogram and the integrated value as they are.
    if (windowFull && std::isfinite (blockPower) && blockPower > absoluteGatePower)
    {
        addGatingBlock (blockPower);
        integratedLufs = computeGatedLoudness();
    }

    integratedLufsOut.exchange (integratedLufs);
}

void LoudnessMeter::addGatingBlock (double blockPower) noexcept
{
    const double loudness = 10.0 * std::log10 (blockPower) + kLoudnessOffsetDb;

    // Limit in floating point first: converting an out-of-range double to int is undefined.
    const double position = std::floor ((loudness - kAbsoluteGateLufs) * kBinsPerLu);
    const int bin = (int) juce::jlimit (0.0, (double) (kNumHistogramBins - 1), position);

    auto& target = histogram[(size_t) bin];
    target.powerSum += blockPower;
    ++target.count;

    gatedSum += blockPower;
    ++gatedCount;
    maxBin = juce::jmax (maxBin, bin);
}

float LoudnessMeter::computeGatedLoudness() const noexcept
{
    const double threshold = juce::jmax (kRelativeGateFactor * gatedSum / (double) gatedCount,
                                         absoluteGatePower);
    double powerSum = 0.0;
    std::uint64_t count = 0;

    for (int bin = 0; bin <= maxBin; ++bin)
    {
        const auto& b = histogram[(size_t) bin];

        if (b.count != 0 && b.powerSum / (double) b.count > threshold)
        {
            powerSum += b.powerSum;
            count += b.count;
        }
    }

    if (count == 0)
        return kNoValue;

    return (float) (10.0 * std::log10 (powerSum / (double) count) + kLoudnessOffsetDb);
}

void LoudnessMeter::publishWindows() noexcept
{
    shortTermLufs.exchange (powerToLufs (shortTermSum.value() / (double) shortTermLength));
    momentaryLufs.exchange (powerToLufs (momentarySum.value() / (double) momentaryLength));
}

float LoudnessMeter::powerToLufs (double meanPower) noexcept
{
    if (meanPower > kSilenceFloorPower)
        return (float) (10.0 * std::log10 (meanPower) + kLoudnessOffsetDb);

    return -std::numeric_limits<float>::infinity();
}
