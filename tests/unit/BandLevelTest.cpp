#include "tab/views/BandDisplayBase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
constexpr int kBins = 4097;
constexpr double kRate = 48000.0;
constexpr double kBinWidth = 5.859375;   // 24000 Hz over 4096 bin steps
constexpr float kInf = std::numeric_limits<float>::infinity();

std::vector<float> flatSpectrum (float magnitude) { return std::vector<float> (kBins, magnitude); }

// What one bin adds: its power times the share of its width inside the band, over the
// Hann window's 1.5 bins of noise bandwidth.
double binShare (float magnitude, double overlapHz) { return magnitude * magnitude * overlapHz / kBinWidth / 1.5; }
}

TEST (BandLevel, theFirstBandCountsOnlyTheBinsItOverlaps)
{
    // 20 ... 25.18 Hz visits bins 2 to 5; bin 3 overlaps it by 0.51 Hz and bin 4 by 4.67 Hz,
    // bins 2 and 5 not at all, whatever they hold.
    const auto high = 20.0 * std::pow (10.0, 0.1);
    auto spectrum = flatSpectrum (0.0f);
    spectrum[2] = 1000.0f;
    spectrum[3] = 0.5f;
    spectrum[4] = 0.25f;
    spectrum[5] = 1000.0f;

    const auto expected = 10.0 * std::log10 (binShare (0.5f, 3.5 * kBinWidth - 20.0) + binShare (0.25f, high - 3.5 * kBinWidth));
    EXPECT_NEAR (BandDisplayBase::bandLevelDb (spectrum, kRate, 20.0, high), expected, 1e-4);
    EXPECT_NEAR (3.5 * kBinWidth - 20.0, 0.51, 0.005);
    EXPECT_NEAR (high - 3.5 * kBinWidth, 4.67, 0.005);

    // Non-numbers in the bins that do not overlap change nothing either.
    spectrum[2] = std::nanf ("");
    spectrum[5] = kInf;
    EXPECT_NEAR (BandDisplayBase::bandLevelDb (spectrum, kRate, 20.0, high), expected, 1e-4);
}

TEST (BandLevel, aFlatSpectrumGivesItsPowerPerBinTimesTheBandWidth)
{
    // A magnitude of 1 in every bin: the band holds (width / bin width) bins' worth of power.
    const auto level = BandDisplayBase::bandLevelDb (flatSpectrum (1.0f), kRate, 1000.0, 2000.0);
    EXPECT_NEAR (level, 10.0 * std::log10 (1000.0 / kBinWidth / 1.5), 1e-3);
}

TEST (BandLevel, bandsWithoutUsableDataLieOnTheFloor)
{
    struct Case { const char* what; std::vector<float> spectrum; double rate; double low, high; };

    const Case cases[] = {
        { "one bin",                 { 1.0f },                kRate, 100.0, 200.0 },
        { "no bins",                 {},                      kRate, 100.0, 200.0 },
        { "above half the rate",     flatSpectrum (1.0f),     kRate, 24000.0, 25000.0 },
        { "sample rate 0",           flatSpectrum (1.0f),     0.0, 100.0, 200.0 },
        { "sample rate not a number", flatSpectrum (1.0f),    std::nan (""), 100.0, 200.0 },
        { "all minus infinity",      flatSpectrum (-kInf),    kRate, 100.0, 200.0 },
        { "all plus infinity",       flatSpectrum (kInf),     kRate, 100.0, 200.0 },
        { "all not a number",        flatSpectrum (std::nanf ("")), kRate, 100.0, 200.0 },
        { "silence",                 flatSpectrum (0.0f),     kRate, 100.0, 200.0 },
    };

    for (const auto& c : cases)
        EXPECT_FLOAT_EQ (BandDisplayBase::bandLevelDb (c.spectrum, c.rate, c.low, c.high), BandDisplayBase::kFloorDb) << c.what;
}

TEST (BandLevel, nonFiniteBinsAreSkippedAndTheRestStillCounts)
{
    auto spectrum = flatSpectrum (1.0f);
    const auto clean = BandDisplayBase::bandLevelDb (spectrum, kRate, 1000.0, 2000.0);

    spectrum[200] = std::nanf ("");
    spectrum[250] = kInf;
    spectrum[300] = -kInf;
    const auto damaged = BandDisplayBase::bandLevelDb (spectrum, kRate, 1000.0, 2000.0);

    EXPECT_TRUE (std::isfinite (damaged));
    EXPECT_LT (damaged, clean);
    EXPECT_GT (damaged, clean - 0.1f);
}

TEST (BandLevel, everyBandGetsItsLevelPlusTheOffset)
{
    const BandAxis axis;
    std::vector<float> levels;

    BandDisplayBase::computeBandLevels (flatSpectrum (1.0f), kRate, axis.getEdges(), -6.0f, levels);
    ASSERT_EQ (levels.size(), 30u);

    for (size_t i = 0; i < levels.size(); ++i)
        EXPECT_FLOAT_EQ (levels[i], BandDisplayBase::bandLevelDb (flatSpectrum (1.0f), kRate, axis.getEdge ((int) i),
                                                                  axis.getEdge ((int) i + 1)) - 6.0f);

    BandDisplayBase::computeBandLevels ({}, kRate, axis.getEdges(), 3.0f, levels);
    for (auto level : levels)
        EXPECT_FLOAT_EQ (level, BandDisplayBase::kFloorDb + 3.0f);
}

TEST (InterpolateLevel, theCurveNeverOvershootsAcrossAPeakOrADip)
{
    const std::vector<double> centres { 100.0, 200.0, 400.0, 800.0, 1600.0 };
    const std::vector<float> levels { -40.0f, -10.0f, -30.0f, -35.0f, -5.0f };

    for (int i = 0; i + 1 < (int) levels.size(); ++i)
    {
        const auto low = std::min (levels[(size_t) i], levels[(size_t) i + 1]);
        const auto high = std::max (levels[(size_t) i], levels[(size_t) i + 1]);
        auto previous = levels[(size_t) i];

        for (int step = 0; step <= 100; ++step)
        {
            const auto value = BandDisplayBase::interpolateLevel (levels, centres, i, i + 1, (float) step / 100.0f);
            EXPECT_GE (value, low - 1e-4f) << "segment " << i << " step " << step;
            EXPECT_LE (value, high + 1e-4f) << "segment " << i << " step " << step;

            // Monotone within each segment.
            if (levels[(size_t) i + 1] > levels[(size_t) i])
                EXPECT_GE (value, previous - 1e-4f);
            else
                EXPECT_LE (value, previous + 1e-4f);

            previous = value;
        }
    }
}

TEST (InterpolateLevel, endsAtItsTwoPointsAndHoldsThemBeyond)
{
    const std::vector<double> centres { 100.0, 200.0, 400.0 };
    const std::vector<float> levels { -20.0f, -10.0f, -4.0f };

    EXPECT_FLOAT_EQ (BandDisplayBase::interpolateLevel (levels, centres, 0, 1, 0.0f), -20.0f);
    EXPECT_FLOAT_EQ (BandDisplayBase::interpolateLevel (levels, centres, 0, 1, 1.0f), -10.0f);
    EXPECT_FLOAT_EQ (BandDisplayBase::interpolateLevel (levels, centres, 0, 1, -0.5f), -20.0f);
    EXPECT_FLOAT_EQ (BandDisplayBase::interpolateLevel (levels, centres, 1, 2, 1.5f), -4.0f);
    EXPECT_FLOAT_EQ (BandDisplayBase::interpolateLevel (levels, centres, 1, 1, 0.5f), -10.0f);

    // A straight line on the logarithmic axis stays straight: the midpoint is the mean.
    const std::vector<double> fourCentres { 100.0, 200.0, 400.0, 800.0 };
    const std::vector<float> straight { -40.0f, -30.0f, -20.0f, -10.0f };
    EXPECT_NEAR (BandDisplayBase::interpolateLevel (straight, fourCentres, 1, 2, 0.5f), -25.0f, 1e-4f);

    // Indices outside the lists give the floor rather than reading past them.
    EXPECT_FLOAT_EQ (BandDisplayBase::interpolateLevel (levels, centres, 2, 3, 0.5f), BandDisplayBase::kFloorDb);
}
