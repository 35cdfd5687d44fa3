#include "editor/SpectrumBands.h"

#include <algorithm>
#include <cmath>

namespace
{
// Smallest energy a band can report (10 x log10 of it is the floor of -120 dB).
constexpr double kSmallestEnergy = 1.0e-12;

// The share of bin k's width (centred on k x binWidth) that lies inside lowHz..highHz.
// levelDb and the stand-in spectrum use this one expression, so that a bin the stand-in counts
// as wholly inside a band is counted the same way when the level is measured again.
double binShareInside (int k, double binWidth, double lowHz, double highHz) noexcept
{
    const double top = std::min ((k + 0.5) * binWidth, highHz);
    const double bottom = std::max ((k - 0.5) * binWidth, lowHz);
    return std::max (top - bottom, 0.0) / binWidth;
}
}

double SpectrumBands::getEdgeHz (int index) noexcept
{
    return kLowestEdgeHz * std::pow (kEdgeSpan, (double) index / (double) kNumBands);
}

float SpectrumBands::levelDb (const std::vector<float>& magnitudes, double sampleRate,
                              double lowHz, double highHz) noexcept
{
    const int numBins = (int) magnitudes.size();

    if (numBins <= 1 || ! std::isfinite (sampleRate) || sampleRate <= 0.0 || lowHz >= sampleRate * 0.5)
        return kFloorDb;

    const double binWidth = (sampleRate * 0.5) / (numBins - 1);
    const int first = std::max (1, (int) std::floor (lowHz / binWidth - 0.5));
    const int last = std::min (numBins - 1, (int) std::ceil (highHz / binWidth + 0.5));

    double energy = 0.0;

    for (int k = first; k <= last; ++k)
    {
        const double magnitude = magnitudes[(size_t) k];

        if (std::isfinite (magnitude))
            energy += magnitude * magnitude * binShareInside (k, binWidth, lowHz, highHz);
    }

    return (float) (10.0 * std::log10 (std::max (energy / kEnergyScale, kSmallestEnergy)));
}

SpectrumBands::Levels SpectrumBands::measure (const std::vector<float>& magnitudes, double sampleRate)
{
    Levels levels;

    for (int band = 0; band < kNumBands; ++band)
        levels[(size_t) band] = levelDb (magnitudes, sampleRate, getEdgeHz (band), getEdgeHz (band + 1));

    return levels;
}

std::vector<float> SpectrumBands::makeStandInSpectrum (const Levels& levels, double sampleRate)
{
    if (! std::isfinite (sampleRate) || sampleRate <= 0.0)
        return {};

    const double nyquist = sampleRate * 0.5;
    const int numBins = (int) std::ceil (nyquist / kStandInBinWidthHz) + 1;
    const double binWidth = nyquist / (numBins - 1);
    std::vector<float> magnitudes ((size_t) numBins, 0.0f);

    for (int band = 0; band < kNumBands; ++band)
    {
        const float level = levels[(size_t) band];
        const double lowHz = getEdgeHz (band), highHz = getEdgeHz (band + 1);

        if (! std::isfinite (level) || level <= kFloorDb || lowHz >= nyquist)
            continue;

        // The band's energy goes into the bins that lie wholly inside it, shared evenly; bins
        // across an edge stay empty, so no band leaks into its neighbour.
        const int first = std::max (1, (int) std::floor (lowHz / binWidth - 0.5));
        const int last = std::min (numBins - 1, (int) std::ceil (highHz / binWidth + 0.5));
        std::vector<int> whole;
        int widest = -1;
        double widestShare = 0.0;

        for (int k = first; k <= last; ++k)
        {
            const double share = binShareInside (k, binWidth, lowHz, highHz);

            if (share >= 1.0)
                whole.push_back (k);

            if (share > widestShare)
            {
                widestShare = share;
                widest = k;
            }
        }

        const double energy = kEnergyScale * std::pow (10.0, level / 10.0);

        if (! whole.empty())
        {
            const auto magnitude = (float) std::sqrt (energy / (double) whole.size());

            for (int k : whole)
                magnitudes[(size_t) k] = magnitude;
        }
        else if (widest >= 0)
        {
            // A sliver of a band just below half the sample rate owns no whole bin.
            magnitudes[(size_t) widest] = (float) std::sqrt (energy / widestShare);
        }
    }

    return magnitudes;
}

BandComparison SpectrumBands::computeBandDifferences (const AnalysisSnapshot& snapshot,
                                                      const Levels& referenceLevels,
                                                      const Levels& sourceLevels)
{
    BandComparison comparison;

    if (! snapshot.levelMatchActive
        || ! std::isfinite (snapshot.referenceShortTermLufs)
        || ! std::isfinite (snapshot.sourceShortTermLufs))
        return comparison;

    comparison.measuredBands = snapshot.bands;
    comparison.bandDifferencesValid = true;

    const double highestMeasurableHz = 0.5 * std::min (snapshot.referenceSampleRate, snapshot.sourceSampleRate);
    for (int band = 0; band < kNumBands; ++band)
    {
        if (getEdgeHz (band + 1) > highestMeasurableHz)
            continue;

        const float reference = referenceLevels[(size_t) band];
        const float source = sourceLevels[(size_t) band];

        if (reference > kComparableAboveDb && source > kComparableAboveDb)
            comparison.bandDifferenceDb[(size_t) band] = reference + snapshot.sourceShortTermLufs
                                                        - snapshot.referenceShortTermLufs - source;
    }

    return comparison;
}
