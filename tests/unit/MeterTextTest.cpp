#include "engine/ThemePalette.h"
#include "tab/MeterText.h"

#include <gtest/gtest.h>

#include <limits>

namespace
{
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct ValueTextCase
{
    MeterUnit unit;
    float value;
    bool playing;
    const char* expected;
};

struct UnitClashCase
{
    int left, right;
    int expectedLeft, expectedRight;
};
} // namespace

TEST (MeterText, valuesShowOneDecimalAboveMinus90AndDashesOtherwise)
{
    const ValueTextCase cases[] = {
        { MeterUnit::LufsShortTerm,  -14.04f,  true,  "-14.0" },
        { MeterUnit::TruePeak,         0.3f,   true,  "0.3" },
        { MeterUnit::Rms,            -90.0f,   true,  "--" },
        { MeterUnit::Rms,            -89.96f,  true,  "-90.0" },
        { MeterUnit::Peak,          -100.0f,   true,  "--" },
        // Stopped: everything but the integrated loudness goes blank.
        { MeterUnit::TruePeak,         0.3f,   false, "--" },
        { MeterUnit::LufsShortTerm,  -14.0f,   false, "--" },
        { MeterUnit::LufsIntegrated, -16.26f,  false, "-16.3" },
        { MeterUnit::LufsIntegrated, -90.0f,   false, "--" },
        // Readings the engine may hand over that are no number.
        { MeterUnit::LufsShortTerm,  -kInf,    true,  "--" },
        { MeterUnit::TruePeak,        kInf,    true,  "--" },
        { MeterUnit::LufsIntegrated,  kNaN,    false, "--" },
        { static_cast<MeterUnit> (7), -6.0f,   true,  "-6.0" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (MeterText::valueText (c.unit, c.value, c.playing), c.expected)
            << "unit " << static_cast<int> (c.unit) << " value " << c.value << " playing " << c.playing;
}

TEST (MeterText, onlyPeaksAboveFullScaleWhilePlayingAreAmber)
{
    EXPECT_EQ (MeterText::valueColour (MeterUnit::TruePeak, 0.3f, true), ThemePalette::warning);
    EXPECT_EQ (MeterText::valueColour (MeterUnit::Peak, 0.1f, true), ThemePalette::warning);
    EXPECT_EQ (MeterText::valueColour (static_cast<MeterUnit> (9), 0.1f, true), ThemePalette::warning);

    EXPECT_EQ (MeterText::valueColour (MeterUnit::TruePeak, 0.3f, false), ThemePalette::text);
    EXPECT_EQ (MeterText::valueColour (MeterUnit::TruePeak, 0.0f, true), ThemePalette::text);
    EXPECT_EQ (MeterText::valueColour (MeterUnit::TruePeak, kInf, true), ThemePalette::text);
    EXPECT_EQ (MeterText::valueColour (MeterUnit::TruePeak, kNaN, true), ThemePalette::text);
    EXPECT_EQ (MeterText::valueColour (MeterUnit::LufsShortTerm, 2.0f, true), ThemePalette::text);
    EXPECT_EQ (MeterText::valueColour (MeterUnit::Rms, 2.0f, true), ThemePalette::text);
}

TEST (MeterText, gainReadsSignedWithOneDecimal)
{
    EXPECT_EQ (MeterText::gainText (0.0f), "Gain +0.0 dB");
    EXPECT_EQ (MeterText::gainText (-0.0f), "Gain +0.0 dB");
    EXPECT_EQ (MeterText::gainText (-3.5f), "Gain -3.5 dB");
    EXPECT_EQ (MeterText::gainText (6.04f), "Gain +6.0 dB");
    EXPECT_EQ (MeterText::gainText (-100.0f), "Gain -100.0 dB");
    EXPECT_EQ (MeterText::gainText (kNaN), "Gain -- dB");
    EXPECT_EQ (MeterText::gainText (-kInf), "Gain -- dB");
}

TEST (MeterText, gainTurnsAmberWhenThePeakAfterTheGainWouldClip)
{
    EXPECT_EQ (MeterText::gainColour (-2.0f, 1.5f, true), ThemePalette::textDim);
    EXPECT_EQ (MeterText::gainColour (-2.0f, 2.5f, true), ThemePalette::warning);
    EXPECT_EQ (MeterText::gainColour (-2.0f, 2.5f, false), ThemePalette::textDim);
    EXPECT_EQ (MeterText::gainColour (3.0f, kNaN, true), ThemePalette::textDim);
    EXPECT_EQ (MeterText::gainColour (kNaN, 2.5f, true), ThemePalette::textDim);
}

TEST (MeterText, waitingShowsOnlyInAnActiveModeWhilePlayingAndNotReady)
{
    EXPECT_EQ (MeterText::statusText (false, 0, false), "STOPPED");
    EXPECT_EQ (MeterText::statusText (false, 2, false), "STOPPED");
    EXPECT_EQ (MeterText::statusText (true, 0, false), "");
    EXPECT_EQ (MeterText::statusText (true, 1, false), "Waiting / holding");
    EXPECT_EQ (MeterText::statusText (true, 2, false), "Waiting / holding");
    EXPECT_EQ (MeterText::statusText (true, 2, true), "");
}

TEST (MeterText, equalUnitsAreSeparatedAndUnknownUnitsCountAsTruePeak)
{
    const UnitClashCase cases[] = {
        { 2, 2, 2, 0 },
        { 0, 0, 0, 2 },
        { 4, 4, 4, 2 },
        { 1, 1, 1, 0 },
        { 3, 3, 3, 0 },
        { 2, 0, 2, 0 },
        { 7, 7, 0, 2 },
        { 7, 0, 0, 2 },
        { 3, -1, 3, 0 },
    };

    for (const auto& c : cases)
    {
        const auto [left, right] = MeterText::separateUnits (c.left, c.right);
        EXPECT_EQ (left, c.expectedLeft) << c.left << "," << c.right;
        EXPECT_EQ (right, c.expectedRight) << c.left << "," << c.right;
    }
}

TEST (MeterText, eachUnitShowsItsOwnRowNameAndReading)
{
    MeterText::SignalReadings readings;
    readings.truePeakDb = 1.0f;
    readings.rmsDb = 2.0f;
    readings.shortTermLufs = 3.0f;
    readings.integratedLufs = 4.0f;
    readings.peakDb = 5.0f;

    const std::pair<int, const char*> rows[] = {
        { 0, "TRUE PEAK / dBTP" }, { 1, "RMS LEVEL" }, { 2, "SHORT-TERM LUFS" },
        { 3, "INTEGRATED LUFS" }, { 4, "PEAK / dBFS" }, { 7, "TRUE PEAK / dBTP" },
    };
    const float expectedReadings[] = { 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 1.0f };

    for (size_t i = 0; i < std::size (rows); ++i)
    {
        const auto unit = static_cast<MeterUnit> (rows[i].first);
        EXPECT_EQ (MeterText::rowName (unit), rows[i].second);
        EXPECT_EQ (MeterText::readingFor (unit, readings), expectedReadings[i]);
    }
}
