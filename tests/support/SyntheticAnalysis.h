#pragma once

#include "editor/AnalysisSnapshot.h"
#include "editor/SpectrumBands.h"

#include <cmath>

/** Live snapshots made up by the tests, so that the history, the loop passes and the advice run
    on known numbers without a processor. */
namespace SyntheticAnalysis
{
/** Level of every Source band, dB. */
constexpr float kSourceBandDb = -40.0f;
/** Short-term loudness of both signals, LUFS. */
constexpr float kLoudnessLufs = -14.0f;

/** A snapshot in which level matching measured both signals at equal loudness, the Reference
    sits referenceOverSourceDb above the Source in every band (so every band difference reads
    that much), both signals have valid, equal band results, and both spectra are stand-ins at
    sampleRate. With matched false, level matching did not measure. */
inline AnalysisSnapshot makeLiveSnapshot (float referenceOverSourceDb = 0.0f, bool matched = true,
                                          double sampleRate = 48000.0)
{
    AnalysisSnapshot snapshot;
    SpectrumBands::Levels source, reference;
    source.fill (kSourceBandDb);
    reference.fill (kSourceBandDb + referenceOverSourceDb);

    snapshot.referenceSpectrum = SpectrumBands::makeStandInSpectrum (reference, sampleRate);
    snapshot.sourceSpectrum = SpectrumBands::makeStandInSpectrum (source, sampleRate);
    snapshot.referenceSampleRate = sampleRate;
    snapshot.sourceSampleRate = sampleRate;
    snapshot.referenceShortTermLufs = kLoudnessLufs;
    snapshot.sourceShortTermLufs = kLoudnessLufs;
    snapshot.levelMatchActive = matched;

    for (auto& band : snapshot.bands)
        band = { 40.0f, 10.0f, 0.5f, true };

    return snapshot;
}
}
