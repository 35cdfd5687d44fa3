#include "editor/EditorSettings.h"
#include "support/ProcessorHarness.h"

#include <gtest/gtest.h>

#include <optional>

namespace
{
/** A store that lives in memory only; the file is never touched. */
SettingsStore makeStore()
{
    return SettingsStore ("Audio-Kalvorin", "settings.txt",
                          juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("kalvorin-unused.txt"));
}

void set (SettingsStore& store, const char* key, std::optional<juce::String> value)
{
    if (value.has_value())
        store.setValue (SettingsStore::kGeneralSection, key, *value);
}

struct UnitCase
{
    std::optional<juce::String> left, right;
    int expectedLeft, expectedRight;
};

struct SecondsCase
{
    std::optional<juce::String> text;
    double expected;
};
} // namespace

TEST (EditorSettings, meterUnitsOutsideOneToFourBecomeTruePeakAndNeverClash)
{
    const UnitCase cases[] = {
        { std::nullopt, std::nullopt, 2, 0 },
        { "3", "3", 3, 0 },
        { "4", "4", 4, 2 },
        { "abc", "0", 0, 2 },
        { "7", "1", 0, 1 },
        { "", "", 2, 0 },
        { "-1", "2", 0, 2 },
        { " 1 ", "4", 1, 4 },
        { "99999999999999999999", "2", 0, 2 },
    };

    for (const auto& c : cases)
    {
        auto store = makeStore();
        set (store, EditorSettings::kLeftMeterUnitKey, c.left);
        set (store, EditorSettings::kRightMeterUnitKey, c.right);

        const auto units = EditorSettings::readMeterUnits (store);
        EXPECT_EQ (units.left, c.expectedLeft) << c.left.value_or ("<missing>") << "," << c.right.value_or ("<missing>");
        EXPECT_EQ (units.right, c.expectedRight) << c.left.value_or ("<missing>") << "," << c.right.value_or ("<missing>");
    }
}

TEST (EditorSettings, historyKeepsTenSecondsToAnHourWhateverTheText)
{
    const SecondsCase cases[] = {
        { std::nullopt, 10.0 },
        { "", 10.0 },
        { "5", 10.0 },
        { "60", 60.0 },
        { "90.5", 90.5 },
        { "many", 10.0 },
        { "-30", 10.0 },
        { "inf", 10.0 },
        { "1e400", 10.0 },
        { "nan", 10.0 },
        { "3600", 3600.0 },
        { "7200", 3600.0 },
    };

    for (const auto& c : cases)
    {
        auto store = makeStore();
        set (store, EditorSettings::kHistorySecondsKey, c.text);
        EXPECT_EQ (EditorSettings::readHistory (store).seconds, c.expected) << c.text.value_or ("<missing>");
    }
}

TEST (EditorSettings, historyIsOnUnlessSwitchedOffPlainly)
{
    const std::pair<std::optional<juce::String>, bool> cases[] = {
        { std::nullopt, true }, { "", true }, { "maybe", true }, { "off", false }, { " FALSE ", false }, { "0", false },
    };

    for (const auto& [text, expected] : cases)
    {
        auto store = makeStore();
        set (store, EditorSettings::kHistoryEnabledKey, text);
        EXPECT_EQ (EditorSettings::readHistory (store).enabled, expected) << text.value_or ("<missing>");
    }
}

TEST (EditorSettings, onlyTheExactWordLinesChoosesLines)
{
    const std::pair<std::optional<juce::String>, BandDisplayBase::PlotStyle> cases[] = {
        { std::nullopt, BandDisplayBase::PlotStyle::Bars },
        { "Lines", BandDisplayBase::PlotStyle::Lines },
        { "lines", BandDisplayBase::PlotStyle::Bars },
        { "Lines ", BandDisplayBase::PlotStyle::Bars },
        { "Bars", BandDisplayBase::PlotStyle::Bars },
    };

    for (const auto& [text, expected] : cases)
    {
        auto store = makeStore();
        set (store, EditorSettings::kPlotStyleKey, text);
        EXPECT_EQ (EditorSettings::readPlotStyle (store), expected) << text.value_or ("<missing>");
    }
}

TEST (EditorSettings, theLevelMatchModeIsSavedToTheFileAtOnce)
{
    TemporaryFolder temp;
    const auto file = temp.file ("settings.txt");
    SettingsStore store ("Audio-Kalvorin", "settings.txt", file);

    ASSERT_TRUE (EditorSettings::saveLevelMatchMode (store, 2));

    SettingsStore reloaded ("Audio-Kalvorin", "settings.txt", file);
    reloaded.load();
    EXPECT_EQ (reloaded.getInt (SettingsStore::kGeneralSection, EditorSettings::kLevelMatchModeKey, 0), 2);
}
