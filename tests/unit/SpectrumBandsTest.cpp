#include "editor/SpectrumBands.h"
#include "support/SyntheticAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>

TEST (SpectrumBands, bandsAreTenthsOfADecadeFrom20HzTo20kHz)
{
    EXPECT_DOUBLE_EQ (SpectrumBands::getEdgeHz (0), 20.0);
    EXPECT_NEAR (SpectrumBands::getEdgeHz (5), 63.2456, 1.0e-4);
    EXPECT_NEAR (SpectrumBands::getEdgeHz (10), 200.0, 1.0e-9);
    EXPECT_NEAR (SpectrumBands::getEdgeHz (30), 20000.0, 1.0e-9);
}

// A 4097-bin spectrum at 48 kHz has bins 5.859375 Hz wide; the first band (20 to 25.18 Hz)
// takes 0.51 Hz of bin 3 and 4.67 Hz of bin 4, each in proportion to its share.
TEST (SpectrumBands, aBandCountsEachBinWithTheShareOfItsWidthInside)
{
    std::vector<float> magnitudes (4097, 0.0f);
    magnitudes[3] = 1.0f;
    magnitudes[4] = 1.0f;

    const double binWidth = 24000.0 / 4096.0;
    const double low = SpectrumBands::getEdgeHz (0), high = SpectrumBands::getEdgeHz (1);
    const double energy = ((3.5 * binWidth - low) + (high - 3.5 * binWidth)) / binWidth;

    EXPECT_NEAR (SpectrumBands::levelDb (magnitudes, 48000.0, low, high), 10.0 * std::log10 (energy / 1.5), 1.0e-4);
}

TEST (SpectrumBands, missingDataAndBandsAboveHalfTheRateReadTheFloor)
{
    EXPECT_EQ (SpectrumBands::levelDb ({ 1.0f }, 48000.0, 20.0, 25.0), SpectrumBands::kFloorDb);
    EXPECT_EQ (SpectrumBands::levelDb (std::vector<float> (1025, 1.0f), 0.0, 20.0, 25.0), SpectrumBands::kFloorDb);
    EXPECT_EQ (SpectrumBands::levelDb (std::vector<float> (1025, 1.0f), 32000.0, 16000.0, 20000.0), SpectrumBands::kFloorDb);
    EXPECT_EQ (SpectrumBands::levelDb (std::vector<float> (1025, 0.0f), 48000.0, 20.0, 25.0), SpectrumBands::kFloorDb);
}

// What the history keeps of a spectrum is its band levels; the stand-in spectrum that a recorded
// moment gets back must give the band views exactly the levels that were measured.
TEST (SpectrumBands, aStandInSpectrumHasExactlyTheRecordedBandLevels)
{
    juce::Random random (7);

    for (const double sampleRate : { 22050.0, 32000.0, 44100.0, 48000.0, 96000.0, 192000.0 })
    {
        std::vector<float> original (4097);

        for (auto& magnitude : original)
            magnitude = random.nextFloat() * random.nextFloat();

        const auto levels = SpectrumBands::measure (original, sampleRate);
        const auto standIn = SpectrumBands::makeStandInSpectrum (levels, sampleRate);
        const auto again = SpectrumBands::measure (standIn, sampleRate);

        for (int band = 0; band < SpectrumBands::kNumBands; ++band)
            EXPECT_NEAR (again[(size_t) band], levels[(size_t) band], 1.0e-4) << sampleRate << " Hz, band " << band;
    }
}

TEST (SpectrumBands, differencesAreTheReferencesShareOfItsLoudnessOverTheSources)
{
    auto snapshot = SyntheticAnalysis::makeLiveSnapshot (4.0f);
    snapshot.referenceShortTermLufs = -10.0f; // the Reference is 4 LU louder overall

    const auto reference = SpectrumBands::measure (snapshot.referenceSpectrum, snapshot.referenceSampleRate);
    const auto source = SpectrumBands::measure (snapshot.sourceSpectrum, snapshot.sourceSampleRate);
    const auto comparison = SpectrumBands::computeBandDifferences (snapshot, reference, source);

    ASSERT_TRUE (comparison.bandDifferencesValid);
    EXPECT_EQ (comparison.measuredBands[0].widthPercent, snapshot.bands[0].widthPercent);

    for (const float difference : comparison.bandDifferenceDb)
        EXPECT_NEAR (difference, 0.0f, 1.0e-3);
}

TEST (SpectrumBands, atA32kHzRateOnlyTheTopBandHasNoDifference)
{
    const auto snapshot = SyntheticAnalysis::makeLiveSnapshot (2.0f, true, 32000.0);
    const auto comparison = SpectrumBands::computeBandDifferences (
        snapshot, SpectrumBands::measure (snapshot.referenceSpectrum, 32000.0),
        SpectrumBands::measure (snapshot.sourceSpectrum, 32000.0));

    for (int band = 0; band < SpectrumBands::kNumBands - 1; ++band)
        EXPECT_NEAR (comparison.bandDifferenceDb[(size_t) band], 2.0f, 1.0e-3) << band;

    EXPECT_TRUE (std::isnan (comparison.bandDifferenceDb[29]));
}

TEST (SpectrumBands, withoutLevelMatchingOrQuietBandsThereIsNoDifference)
{
    auto snapshot = SyntheticAnalysis::makeLiveSnapshot (2.0f, false);
    const auto reference = SpectrumBands::measure (snapshot.referenceSpectrum, 48000.0);
    const auto source = SpectrumBands::measure (snapshot.sourceSpectrum, 48000.0);

    const auto unmatched = SpectrumBands::computeBandDifferences (snapshot, reference, source);
    EXPECT_FALSE (unmatched.bandDifferencesValid);
    EXPECT_TRUE (std::isnan (unmatched.bandDifferenceDb[0]));
    EXPECT_EQ (unmatched.measuredBands[0].widthPercent, 0.0f);

    snapshot.levelMatchActive = true;
    snapshot.sourceShortTermLufs = -std::numeric_limits<float>::infinity();
    EXPECT_FALSE (SpectrumBands::computeBandDifferences (snapshot, reference, source).bandDifferencesValid);

    snapshot.sourceShortTermLufs = SyntheticAnalysis::kLoudnessLufs;
    auto quiet = source;
    quiet[3] = -90.0f;
    const auto comparison = SpectrumBands::computeBandDifferences (snapshot, reference, quiet);
    EXPECT_TRUE (std::isnan (comparison.bandDifferenceDb[3]));
    EXPECT_NEAR (comparison.bandDifferenceDb[4], 2.0f, 1.0e-3);
}
