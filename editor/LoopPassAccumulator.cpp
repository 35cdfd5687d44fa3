#include "editor/LoopPassAccumulator.h"

#include <cmath>

namespace
{
// Adds one difference, weighted by dt, to its running sum and time, and the time to the above
// or below counter when the difference reaches the threshold on that side.
void addDifference (double difference, double threshold, double dt, double& sum, double& seconds,
                    double& aboveSeconds, double& belowSeconds) noexcept
{
    sum += difference * dt;
    seconds += dt;

    if (difference >= threshold)
        aboveSeconds += dt;

    if (difference <= -threshold)
        belowSeconds += dt;
}
}

void LoopPassAccumulator::addMatchedMoment (const AnalysisSnapshot::BandDifferences& bandDifferenceDb,
                                            const AnalysisSnapshot::BandResultSet& measuredBands,
                                            double dt) noexcept
{
    matchedSeconds += dt;

    for (size_t band = 0; band < tonalBands.size(); ++band)
    {
        const double difference = bandDifferenceDb[band];

        if (! std::isfinite (difference))
            continue;

        auto& tonal = tonalBands[band];
        addDifference (difference, kTonalThresholdDb, dt, tonal.diffSum, tonal.seconds, tonal.aboveSeconds,
                       tonal.belowSeconds);
    }

    for (size_t k = 0; k < stereoBands.size(); ++k)
    {
        const auto& reference = measuredBands[k];
        const auto& source = measuredBands[k + (size_t) kNumStereoBands];

        if (! reference.valid || ! source.valid)
            continue;

        auto& stereo = stereoBands[k];

        if (std::isfinite (reference.widthPercent) && std::isfinite (source.widthPercent))
            addDifference ((double) reference.widthPercent - (double) source.widthPercent, kWidthThresholdPoints, dt,
                           stereo.widthDiffSum, stereo.widthSeconds, stereo.widthAboveSeconds, stereo.widthBelowSeconds);

        if (std::isfinite (source.correlation))
        {
            stereo.sourceCorrelationSeconds += dt;

            if (source.correlation < 0.0f)
                stereo.sourceNegativeSeconds += dt;
        }

        if (std::isfinite (reference.correlation) && reference.correlation < 0.0f)
            stereo.referenceNegativeSeconds += dt;

        if (std::isfinite (reference.crestDb) && std::isfinite (source.crestDb))
            addDifference ((double) reference.crestDb - (double) source.crestDb, kCrestThresholdDb, dt,
                           stereo.crestDiffSum, stereo.crestSeconds, stereo.crestAboveSeconds, stereo.crestBelowSeconds);
    }
}

void LoopPassAccumulator::add (const LoopPassAccumulator& other) noexcept
{
    totalSeconds += other.totalSeconds;
    matchedSeconds += other.matchedSeconds;

    for (size_t band = 0; band < tonalBands.size(); ++band)
    {
        auto& mine = tonalBands[band];
        const auto& theirs = other.tonalBands[band];
        mine.diffSum += theirs.diffSum;
        mine.seconds += theirs.seconds;
        mine.aboveSeconds += theirs.aboveSeconds;
        mine.belowSeconds += theirs.belowSeconds;
    }

    for (size_t k = 0; k < stereoBands.size(); ++k)
    {
        auto& mine = stereoBands[k];
        const auto& theirs = other.stereoBands[k];
        mine.widthDiffSum += theirs.widthDiffSum;
        mine.widthSeconds += theirs.widthSeconds;
        mine.widthAboveSeconds += theirs.widthAboveSeconds;
        mine.widthBelowSeconds += theirs.widthBelowSeconds;
        mine.crestDiffSum += theirs.crestDiffSum;
        mine.crestSeconds += theirs.crestSeconds;
        mine.crestAboveSeconds += theirs.crestAboveSeconds;
        mine.crestBelowSeconds += theirs.crestBelowSeconds;
        mine.sourceCorrelationSeconds += theirs.sourceCorrelationSeconds;
        mine.sourceNegativeSeconds += theirs.sourceNegativeSeconds;
        mine.referenceNegativeSeconds += theirs.referenceNegativeSeconds;
    }
}
