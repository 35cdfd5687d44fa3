#pragma once

#include "editor/EditorSettings.h"

#include <juce_core/juce_core.h>

#include <optional>

/**
    The decisions of the settings dialog, apart from any component: how stored texts become the
    values its controls show, how the two meter-unit boxes keep each other from showing the same
    unit, and how the controls' values become the texts that OK stores.

    Pure functions of their arguments; any thread.
*/
class SettingsDialogRules final
{
public:
    SettingsDialogRules() = delete;

    /** Keys the dialog reads and writes, all in the settings store's "General" section; the
        editor's timer reads the same keys (EditorSettings names them once). */
    static constexpr const char* kLeftUnitKey = EditorSettings::kLeftMeterUnitKey;
    static constexpr const char* kRightUnitKey = EditorSettings::kRightMeterUnitKey;
    static constexpr const char* kHistoryEnabledKey = EditorSettings::kHistoryEnabledKey;
    static constexpr const char* kPlotStyleKey = EditorSettings::kPlotStyleKey;
    static constexpr const char* kHistorySecondsKey = EditorSettings::kHistorySecondsKey;

    /** The plot-style texts; only exactly kLinesStyle means lines. */
    static constexpr const char* kBarsStyle = EditorSettings::kDefaultStyleText;
    static constexpr const char* kLinesStyle = EditorSettings::kLinesStyleText;

    /** Units of the left and right meter when the file holds none (short-term loudness, true peak). */
    static constexpr int kDefaultLeftUnit = EditorSettings::kDefaultLeftMeterUnit;
    static constexpr int kDefaultRightUnit = EditorSettings::kDefaultRightMeterUnit;

    /** Meter units are 0 to kNumMeterUnits - 1; a unit box's item id is the unit + 1. */
    static constexpr int kNumMeterUnits = 5;

    /** The shortest playback history, and the longest one the dialog stores: the playback
        history keeps every recorded moment for this long, so its memory grows with the length. */
    static constexpr double kMinHistorySeconds = EditorSettings::kMinHistorySeconds;
    static constexpr double kMaxHistorySeconds = EditorSettings::kMaxHistorySeconds;

    /** The release-channel word shown after the version number; empty for a release. */
    static constexpr const char* kReleaseChannel = "BETA";

    /** The meter units of the left and right readout. */
    struct Units
    {
        int left = kDefaultLeftUnit;
        int right = kDefaultRightUnit;

        bool operator== (const Units& rhs) const noexcept { return left == rhs.left && right == rhs.right; }
    };

    /** The item ids that the changed unit box and the other box end up showing. */
    struct BoxIds
    {
        int changed = 0;
        int other = 0;

        bool operator== (const BoxIds& rhs) const noexcept { return changed == rhs.changed && other == rhs.other; }
    };

    /** The units the dialog opens with, from the stored integers: a unit outside 0..4 counts as
        true peak (0), and equal units are told apart by separateUnits. */
    static Units unitsFromStore (int storedLeft, int storedRight) noexcept;

    /** Equal units made different by moving the right one: to true peak (0) when the shared unit
        is RMS, short-term or integrated loudness (1..3), else to short-term loudness (2).
        Different units come back unchanged. */
    static Units separateUnits (Units units) noexcept;

    /** The clash rule of the two unit boxes, on item ids. Ids outside 2..5 count as 1 (true
        peak). When the box the user changed and the other box then show the same unit, the
        changed box keeps it and the other moves: to id 1 when the shared id is 2, 3 or 4, to id 3
        when it is 1 or 5. A changed box without a valid selection that clashes shows id 1. */
    static BoxIds resolveBoxClash (int changedId, int otherId) noexcept;

    /** The meter unit of a unit box's item id: id - 1 for ids 1..5, otherwise 0. */
    static int unitFromBoxId (int itemId) noexcept;

    /** The decimal number a text starts with (after leading white space: an optional sign, then
        digits with at most one decimal point, e.g. 1.2 for "1.2.3"); nothing when the text does
        not start with one. Exponents are not read. */
    static std::optional<double> leadingDecimal (const juce::String& text);

    /** The history length the dialog shows for a stored text: 10 for an empty text, otherwise
        its leading number raised to at least 10 (0 when it has none). No upper limit, so that a
        hand-written longer length is seen as it is; a number too large for a double shows as the
        longest length the dialog stores. */
    static double historySecondsToShow (const juce::String& storedText);

    /** The history length OK stores for the text in the length field: its leading number after
        trimming (0 when it has none), limited to 10..3600. */
    static double historySecondsToStore (const juce::String& fieldText);

    /** A length as the field shows it: two decimals ("10.00", "7200.00"). */
    static juce::String formatForField (double seconds);

    /** A length as the settings file stores it: at most six significant digits without trailing
        zeros ("10", "12.5", "3600"). */
    static juce::String formatForStore (double seconds);

    /** The version line: the version, then a space and the release channel when the channel is
        not empty after trimming. */
    static juce::String versionText (const juce::String& version, const juce::String& releaseChannel);
};
