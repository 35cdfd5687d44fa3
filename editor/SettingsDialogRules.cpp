#include "editor/SettingsDialogRules.h"

#include "tab/ABMeters.h"

#include <cmath>
#include <locale>
#include <sstream>

namespace
{
constexpr int kTruePeakId = static_cast<int> (MeterUnit::TruePeak) + 1;
constexpr int kShortTermId = static_cast<int> (MeterUnit::LufsShortTerm) + 1;
constexpr int kFirstValidIdBesideTruePeak = static_cast<int> (MeterUnit::Rms) + 1;
constexpr int kLastValidId = SettingsDialogRules::kNumMeterUnits;

constexpr int kFieldDecimals = 2;
constexpr int kStoreSignificantDigits = 6;

bool isUnit (int unit) noexcept
{
    return unit >= 0 && unit < SettingsDialogRules::kNumMeterUnits;
}

/** Ids other than those of RMS, the two loudness units and sample peak stand for true peak. */
int effectiveBoxId (int itemId) noexcept
{
    return itemId >= kFirstValidIdBesideTruePeak && itemId <= kLastValidId ? itemId : kTruePeakId;
}

bool isLoudnessOrRms (int unit) noexcept
{
    return unit == static_cast<int> (MeterUnit::Rms) || unit == static_cast<int> (MeterUnit::LufsShortTerm)
           || unit == static_cast<int> (MeterUnit::LufsIntegrated);
}
} // namespace

SettingsDialogRules::Units SettingsDialogRules::unitsFromStore (int storedLeft, int storedRight) noexcept
{
    const auto truePeak = static_cast<int> (MeterUnit::TruePeak);
    return separateUnits ({ isUnit (storedLeft) ? storedLeft : truePeak, isUnit (storedRight) ? storedRight : truePeak });
}

SettingsDialogRules::Units SettingsDialogRules::separateUnits (Units units) noexcept
{
    if (units.left == units.right)
        units.right = static_cast<int> (isLoudnessOrRms (units.left) ? MeterUnit::TruePeak : MeterUnit::LufsShortTerm);

    return units;
}

SettingsDialogRules::BoxIds SettingsDialogRules::resolveBoxClash (int changedId, int otherId) noexcept
{
    const auto shared = effectiveBoxId (changedId);

    if (shared != effectiveBoxId (otherId))
        return { changedId, otherId };

    // The boxes' ids 2..4 are RMS and the two loudness units; 1 and 5 the two peaks.
    const auto movedTo = isLoudnessOrRms (shared - 1) ? kTruePeakId : kShortTermId;
    return { shared, movedTo };
}

int SettingsDialogRules::unitFromBoxId (int itemId) noexcept
{
    return itemId >= 1 && itemId <= kNumMeterUnits ? itemId - 1 : static_cast<int> (MeterUnit::TruePeak);
}

std::optional<double> SettingsDialogRules::leadingDecimal (const juce::String& text)
{
    auto p = text.getCharPointer().findEndOfWhitespace();
    const auto start = p;

    if (*p == '+' || *p == '-')
        ++p;

    bool anyDigit = false;
    bool pointSeen = false;

    for (;; ++p)
    {
        const auto c = *p;

        if (c >= '0' && c <= '9')
            anyDigit = true;
        else if (c == '.' && ! pointSeen)
            pointSeen = true;
        else
            break;
    }

    if (! anyDigit)
        return std::nullopt;

    // JUCE's reader is locale-independent and turns a number beyond the double range into
    // infinity rather than failing.
    return juce::String (start, p).getDoubleValue();
}

double SettingsDialogRules::historySecondsToShow (const juce::String& storedText)
{
    if (storedText.isEmpty())
        return kMinHistorySeconds;

    const auto seconds = leadingDecimal (storedText).value_or (0.0);

    if (! std::isfinite (seconds))
        return kMaxHistorySeconds;

    return juce::jmax (kMinHistorySeconds, seconds);
}

double SettingsDialogRules::historySecondsToStore (const juce::String& fieldText)
{
    const auto seconds = leadingDecimal (fieldText.trim()).value_or (0.0);
    return juce::jlimit (kMinHistorySeconds, kMaxHistorySeconds, seconds);
}

juce::String SettingsDialogRules::formatForField (double seconds)
{
    return juce::String (seconds, kFieldDecimals);
}

juce::String SettingsDialogRules::formatForStore (double seconds)
{
    std::ostringstream stream;
    stream.imbue (std::locale::classic());
    stream.precision (kStoreSignificantDigits);
    stream << seconds;
    return stream.str();
}

juce::String SettingsDialogRules::versionText (const juce::String& version, const juce::String& releaseChannel)
{
    const auto channel = releaseChannel.trim();
    return channel.isEmpty() ? version : version + " " + channel;
}
