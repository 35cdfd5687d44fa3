#pragma once

#include "editor/AnalysisSnapshot.h"

#include <array>
#include <vector>

/**
    Both signals' comparison in the 30 bands of one moment: the loudness-normalised band
    differences and the band results they came with. A plain value; message thread only.
*/
struct BandComparison
{
    /** Reference minus Source per band in dB, after bringing both to the same short-term
        loudness; AnalysisSnapshot::kNotMeasured where a band was not measured. */
    AnalysisSnapshot::BandDifferences bandDifferenceDb = AnalysisSnapshot{}.bandDifferenceDb;
    /** The band results that went with the differences; all zero when there are none. */
    AnalysisSnapshot::BandResultSet measuredBands {};
    /** Whether the differences were computed at all. */
    bool bandDifferencesValid = false;
};

/**
    The 30 bands of a tenth of a decade from 20 Hz to 20 kHz (band i spans 20 x 1000^(i/30) to
    20 x 1000^((i+1)/30) Hz) in which the editor compares the two signals, and in which the band
    views draw them.

    Turns a magnitude spectrum into one level per band, compares two signals band by band, and
    makes a compact stand-in spectrum from stored band levels: the playback history keeps 30
    levels per signal instead of whole spectra, and a recorded moment shown again yields exactly
    the band levels that were measured. Stateless; any thread.
*/
class SpectrumBands final
{
public:
    /** Number of bands. */
    static constexpr int kNumBands = AnalysisSnapshot::kNumDifferenceBands;
    /** Lower edge of the first band. */
    static constexpr double kLowestEdgeHz = 20.0;
    /** Upper edge of the last band over the lower edge of the first. */
    static constexpr double kEdgeSpan = 1000.0;
    /** Level of a band with no energy, in dB. */
    static constexpr float kFloorDb = -120.0f;
    /** Band levels at or below this are too quiet to compare, in dB. */
    static constexpr float kComparableAboveDb = -90.0f;
    /** The energy sum of a band is divided by this before it becomes dB (the analyser's window
        gain), so that the levels read like the band views' scale. */
    static constexpr double kEnergyScale = 1.5;
    /** Widest bin of a stand-in spectrum; narrow enough that every band owns whole bins. */
    static constexpr double kStandInBinWidthHz = 2.0;

    /** One level per band in dB. */
    using Levels = std::array<float, (size_t) kNumBands>;

    SpectrumBands() = delete;

    /** Edge index 0..30 in Hz: 20 x 1000^(index/30), in double precision. */
    static double getEdgeHz (int index) noexcept;

    /** Level in dB of the band lowHz..highHz of a magnitude spectrum (bin 0 = 0 Hz, last bin =
        half the sample rate): the energy of the bins, each counted with the share of its width
        inside the band, over kEnergyScale; kFloorDb without energy or data. */
    static float levelDb (const std::vector<float>& magnitudes, double sampleRate,
                          double lowHz, double highHz) noexcept;

    /** The levels of all 30 bands of a spectrum; all kFloorDb for an empty one. */
    static Levels measure (const std::vector<float>& magnitudes, double sampleRate);

    /** A magnitude spectrum at sampleRate whose levelDb over every band equals levels (levels at
        or below kFloorDb, or not finite, give an empty band). Empty when sampleRate <= 0. */
    static std::vector<float> makeStandInSpectrum (const Levels& levels, double sampleRate);

    /** The band comparison of one moment: computed only when level matching measured both
        signals and both short-term loudness values are finite. A band is left unmeasured when
        its upper edge lies above half the lower of the two sample rates, or when either level
        is at or below kComparableAboveDb; otherwise its difference is
        reference + sourceShortTerm - referenceShortTerm - source. */
    static BandComparison computeBandDifferences (const AnalysisSnapshot& snapshot,
                                                  const Levels& referenceLevels,
                                                  const Levels& sourceLevels);
};
