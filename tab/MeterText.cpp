#include "tab/MeterText.h"

#include "engine/ThemePalette.h"

#include <cmath>

namespace
{
constexpr int kDecimalPlaces = 1;

bool isPeakUnit (MeterUnit unit) noexcept
{
    return unit == MeterUnit::TruePeak || unit == MeterUnit::Peak;
}
} // namespace

MeterUnit MeterText::unitFromCode (int code) noexcept
{
    if (code < static_cast<int> (MeterUnit::TruePeak) || code > static_cast<int> (MeterUnit::Peak))
        return MeterUnit::TruePeak;

    return static_cast<MeterUnit> (code);
}

std::pair<int, int> MeterText::separateUnits (int leftCode, int rightCode) noexcept
{
    // An unknown code is shown as TRUE PEAK, so it clashes like one: otherwise a code of 7
    // beside TRUE PEAK would show the same quantity twice.
    const auto left = static_cast<int> (unitFromCode (leftCode));
    auto right = static_cast<int> (unitFromCode (rightCode));

    if (left == right)
        right = static_cast<int> (isPeakUnit (unitFromCode (left)) ? MeterUnit::LufsShortTerm
                                                                    : MeterUnit::TruePeak);

    return { left, right };
}

juce::String MeterText::rowName (MeterUnit unit)
{
    switch (unit)
    {
        case MeterUnit::Rms:            return "RMS LEVEL";
        case MeterUnit::LufsShortTerm:  return "SHORT-TERM LUFS";
        case MeterUnit::LufsIntegrated: return "INTEGRATED LUFS";
        case MeterUnit::Peak:           return "PEAK / dBFS";
        case MeterUnit::TruePeak:
        default:                        return "TRUE PEAK / dBTP";
    }
}

float MeterText::readingFor (MeterUnit unit, const SignalReadings& readings) noexcept
{
    switch (unit)
    {
        case MeterUnit::Rms:            return readings.rmsDb;
        case MeterUnit::LufsShortTerm:  return readings.shortTermLufs;
        case MeterUnit::LufsIntegrated: return readings.integratedLufs;
        case MeterUnit::Peak:           return readings.peakDb;
        case MeterUnit::TruePeak:
        default:                        return readings.truePeakDb;
    }
}

juce::String MeterText::valueText (MeterUnit unit, float value, bool playing)
{
    // The integrated loudness summarises what was played, so it stays readable while stopped.
    const auto shown = (playing || unit == MeterUnit::LufsIntegrated)
                    && std::isfinite (value) && value > kLowestShownDb;

    return shown ? juce::String (value, kDecimalPlaces) : juce::String (kNoReading);
}

juce::Colour MeterText::valueColour (MeterUnit unit, float value, bool playing) noexcept
{
    const auto over = playing && isPeakUnit (unitFromCode (static_cast<int> (unit)))
                   && std::isfinite (value) && value > 0.0f;

    return over ? ThemePalette::warning : ThemePalette::text;
}

juce::String MeterText::gainText (float gainDb)
{
    if (! std::isfinite (gainDb))
        return juce::String ("Gain ") + kNoReading + " dB";

    // Adding zero turns a negative zero into zero, which must read "+0.0", not "+-0.0".
    const auto gain = gainDb + 0.0f;

    return juce::String ("Gain ") + (gain >= 0.0f ? "+" : "") + juce::String (gain, kDecimalPlaces) + " dB";
}

juce::Colour MeterText::gainColour (float gainDb, float truePeakDb, bool playing) noexcept
{
    // The peak after the gain: a Reference brought up to the Source's loudness may clip.
    const auto over = playing && std::isfinite (truePeakDb) && truePeakDb + gainDb > 0.0f;

    return over ? ThemePalette::warning : ThemePalette::textDim;
}

juce::String MeterText::statusText (bool playing, int levelMatchMode, bool levelMatchReady)
{
    if (! playing)
        return kStopped;

    if (levelMatchMode != 0 && ! levelMatchReady)
        return kWaiting;

    return {};
}
