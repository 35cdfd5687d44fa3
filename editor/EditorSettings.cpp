#include "editor/EditorSettings.h"

#include "tab/MeterText.h"

#include <cmath>

namespace
{
constexpr int kLowestStoredUnit = 1;
constexpr int kHighestStoredUnit = 4;

int storedUnit (const SettingsStore& store, const char* key, int defaultUnit)
{
    const auto unit = store.getInt (SettingsStore::kGeneralSection, key, defaultUnit);
    return unit >= kLowestStoredUnit && unit <= kHighestStoredUnit ? unit : static_cast<int> (MeterUnit::TruePeak);
}
} // namespace

EditorSettings::MeterUnits EditorSettings::readMeterUnits (const SettingsStore& store)
{
    const auto [left, right] = MeterText::separateUnits (storedUnit (store, kLeftMeterUnitKey, kDefaultLeftMeterUnit),
                                                         storedUnit (store, kRightMeterUnitKey, kDefaultRightMeterUnit));
    return { left, right };
}

EditorSettings::History EditorSettings::readHistory (const SettingsStore& store)
{
    History history;
    history.enabled = store.getBool (SettingsStore::kGeneralSection, kHistoryEnabledKey);

    const auto text = store.getValue (SettingsStore::kGeneralSection, kHistorySecondsKey);

    if (text.isNotEmpty())
    {
        // An infinite length would let the history grow without end; it reads like no number.
        const auto seconds = text.getDoubleValue();
        history.seconds = std::isfinite (seconds) ? juce::jlimit (kMinHistorySeconds, kMaxHistorySeconds, seconds) : kMinHistorySeconds;
    }

    return history;
}

BandDisplayBase::PlotStyle EditorSettings::readPlotStyle (const SettingsStore& store)
{
    const auto text = store.getValue (SettingsStore::kGeneralSection, kPlotStyleKey, kDefaultStyleText);
    return text == kLinesStyleText ? BandDisplayBase::PlotStyle::Lines : BandDisplayBase::PlotStyle::Bars;
}

bool EditorSettings::saveLevelMatchMode (SettingsStore& store, int mode)
{
    store.setValue (SettingsStore::kGeneralSection, kLevelMatchModeKey, juce::String (mode));
    return store.save();
}
