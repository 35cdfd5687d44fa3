#include "BandStereoAnalyser.h"

#include <algorithm>
#include <cmath>

namespace
{
    /** Energy of a band (both channels, whole window) below which width is not defined. */
    constexpr double kSilentEnergy = 1.0e-15;

    /** Product of the two channels' energies below which correlation is not defined. */
    constexpr double kSilentEnergyProduct = 1.0e-20;

    /** Non-finite samples count as silence, so one bad sample cannot poison the filters. */
    inline float finiteOrZero (float x) noexcept
    {
        return std::isfinite (x) ? x : 0.0f;
    }
}

BandStereoAnalyser::BandStereoAnalyser() = default;
BandStereoAnalyser::~BandStereoAnalyser() = default;

void BandStereoAnalyser::prepare (double newSampleRate)
{
    if (! (newSampleRate > 0.0) || ! std::isfinite (newSampleRate))
    {
        // No filter can be designed without a rate: stay unprepared rather than fill the
        // sums with NaN.
        sampleRate = 0.0;
        groupLength = 0;
        reset();
        return;
    }

    sampleRate = newSampleRate;

    const auto topEdge = std::min (kTopEdgeShareOfRate * sampleRate, kHighestEdgeHz);
    const std::array<double, (size_t) kNumStereoBands + 1> edges { kLowestEdgeHz, kLowMidEdgeHz,
                                                                   kMidHighEdgeHz, topEdge };

    using Coefficients = juce::dsp::IIR::Coefficients<float>;

    for (size_t k = 0; k < bands.size(); ++k)
    {
        const auto highPassHz = (float) std::min (kHighPassShareOfRate * sampleRate, edges[k]);
        const auto lowPassHz  = (float) std::min (kTopEdgeShareOfRate * sampleRate, edges[k + 1]);

        // Each filter gets a coefficient object of its own; designing here allocates, which is
        // fine outside the audio thread.
        auto& band = bands[k];
        band.leftHighPass.coefficients  = Coefficients::makeHighPass (sampleRate, highPassHz);
        band.rightHighPass.coefficients = Coefficients::makeHighPass (sampleRate, highPassHz);
        band.leftLowPass.coefficients   = Coefficients::makeLowPass (sampleRate, lowPassHz);
        band.rightLowPass.coefficients  = Coefficients::makeLowPass (sampleRate, lowPassHz);

        // Sizes each filter's state for the new order while we may still allocate.
        band.leftHighPass.reset();
        band.rightHighPass.reset();
        band.leftLowPass.reset();
        band.rightLowPass.reset();
    }

    groupLength = std::max (1, juce::roundToInt (kGroupSeconds * sampleRate));
    reset();
}

void BandStereoAnalyser::reset() noexcept
{
    groupsFilled = 0;
    groupSampleCount = 0;
    groupWriteIndex = 0;

    for (auto& band : bands)
        clearBand (band);

    results = BandResults {};
}

void BandStereoAnalyser::clearBand (BandState& band) noexcept
{
    band.sumLL = band.sumRR = band.sumLR = band.peak = 0.0;
    band.groupHistory.fill (GroupSums {});

    band.leftHighPass.reset();
    band.leftLowPass.reset();
    band.rightHighPass.reset();
    band.rightLowPass.reset();
}

void BandStereoAnalyser::process (const juce::AudioBuffer<float>& buffer) noexcept
{
    const auto numSamples = buffer.getNumSamples();
    const auto numChannels = buffer.getNumChannels();

    if (groupLength < 1 || numChannels < 1 || numSamples < 1)
        return;

    const auto* left = buffer.getReadPointer (0);
    const auto* right = buffer.getReadPointer (numChannels > 1 ? 1 : 0);

    for (int i = 0; i < numSamples; ++i)
    {
        const auto l = finiteOrZero (left[i]);
        const auto r = finiteOrZero (right[i]);

        for (auto& band : bands)
        {
            const auto yL = band.leftLowPass.processSample (band.leftHighPass.processSample (l));
            const auto yR = band.rightLowPass.processSample (band.rightHighPass.processSample (r));

            const auto dL = (double) yL;
            const auto dR = (double) yR;
            band.sumLL += dL * dL;
            band.sumRR += dR * dR;
            band.sumLR += dL * dR;
            band.peak = std::max (band.peak, std::max (std::abs (dL), std::abs (dR)));
        }

        if (++groupSampleCount >= groupLength)
            closeGroup();
    }

    // Sample-by-sample filtering does not flush tiny values itself; without this a decaying
    // tail would crawl through denormals when the host does not flush them.
    for (auto& band : bands)
    {
        band.leftHighPass.snapToZero();
        band.leftLowPass.snapToZero();
        band.rightHighPass.snapToZero();
        band.rightLowPass.snapToZero();
    }
}

void BandStereoAnalyser::closeGroup() noexcept
{
    const auto groupsBefore = groupsFilled;
    groupSampleCount = 0;
    groupsFilled = std::min (groupsBefore + 1, kHistoryGroups);

    const auto slot = (size_t) groupWriteIndex;
    const auto windowFull = groupsBefore >= kHistoryGroups - 1;

    for (size_t k = 0; k < bands.size(); ++k)
    {
        auto& band = bands[k];
        band.groupHistory[slot] = { band.sumLL, band.sumRR, band.sumLR, band.peak };
        band.sumLL = band.sumRR = band.sumLR = band.peak = 0.0;

        results[k] = computeResult (band, windowFull);
    }

    groupWriteIndex = (groupWriteIndex + 1) % kHistoryGroups;
}

BandResult BandStereoAnalyser::computeResult (const BandState& band, bool windowFull) const noexcept
{
    double ll = 0.0, rr = 0.0, lr = 0.0, peak = 0.0;

    for (const auto& group : band.groupHistory)
    {
        ll += group.sumLL;
        rr += group.sumRR;
        lr += group.sumLR;
        peak = std::max (peak, group.peak);
    }

    const auto energy = ll + rr;
    const auto meanSquare = energy / (2.0 * kHistoryGroups * groupLength);

    BandResult result;

    // 50 - 100 LR / E equals 100 x side energy / (side energy + mid energy).
    result.widthPercent = energy > kSilentEnergy
                            ? (float) juce::jlimit (0.0, 100.0, 50.0 - 100.0 * lr / energy)
                            : 0.0f;

    result.valid = windowFull && meanSquare > kValidMeanSquare;

    result.correlation = ll * rr > kSilentEnergyProduct
                           ? (float) juce::jlimit (-1.0, 1.0, lr / std::sqrt (ll * rr))
                           : 0.0f;

    result.crestDb = meanSquare > kSilentEnergy
                       ? (float) (20.0 * std::log10 (std::max (peak / std::sqrt (meanSquare), 1.0)))
                       : 0.0f;

    return result;
}

double BandStereoAnalyser::getBandMagnitude (Band band, double frequencyHz) const noexcept
{
    if (sampleRate <= 0.0)
        return 1.0;

    const auto& state = bands[(size_t) band];
    return state.leftHighPass.coefficients->getMagnitudeForFrequency (frequencyHz, sampleRate)
         * state.leftLowPass.coefficients->getMagnitudeForFrequency (frequencyHz, sampleRate);
}
